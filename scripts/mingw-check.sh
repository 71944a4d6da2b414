#!/usr/bin/env bash
# Builds the Windows sources of the registry, launch and file test with the
# MinGW-w64 cross compiler, and runs their console check under Wine.
#   scripts/mingw-check.sh [build folder]
# Skips, saying so, where the compiler cannot be had; only compiles where Wine
# cannot.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build-test}/mingw"
started=$SECONDS

if ! scripts/deps.sh mingw >&2; then
  echo "mingw-check: SKIPPED: the MinGW-w64 cross compiler could not be installed"
  exit 0
fi
cxx=$(command -v x86_64-w64-mingw32-g++ || command -v x86_64-w64-mingw32-g++-posix || true)
if [ -z "$cxx" ]; then
  echo "mingw-check: SKIPPED: no x86_64-w64-mingw32-g++ after installing it"
  exit 0
fi

mkdir -p "$out"
# The project's own warning set, as errors.
"$cxx" -std=c++20 -O1 -static -I. \
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual \
  -Wconversion -Wsign-conversion -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough -Werror \
  platform/KeyValue.cpp platform/SystemRegistry_win.cpp platform/SystemLauncher_win.cpp \
  platform/SystemFileProbe_win.cpp platform/StartupWarmUp.cpp platform/FontConfiguration_win.cpp platform/ThreadPlacement_win.cpp \
  platform/SessionBus_win.cpp platform/Sandbox_win.cpp \
  tests/win/WinCheck.cpp \
  -ladvapi32 -o "$out/win-check.exe"
echo "mingw-check: the Windows sources compile with $("$cxx" -dumpversion) ($((SECONDS - started)) s)"

if ! scripts/deps.sh wine >&2; then
  echo "mingw-check: compiled only: Wine could not be installed"
  exit 0
fi
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEPREFIX="$PWD/$out/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine's own chatter, chiefly while it sets up its prefix, goes to a log.
status=0
timeout 300 "$wine" "$out/win-check.exe" 2>"$out/wine.log" || status=$?
"$wineserver" -k 2>/dev/null || true
if [ $status -ne 0 ]; then
  cat "$out/wine.log" >&2
  echo "mingw-check: the console check failed under Wine (exit $status)"
  exit 1
fi
echo "mingw-check: done in $((SECONDS - started)) s"
