#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, installs it (as root),
# runs the installed editor on Xvfb through its typical use, compares the
# exported GIF with the banner on the screen, and removes the package again.
#   end-to-end.sh BUILD_DIR SCREEN_PROBE
# Exit 77 (skipped) where Xvfb cannot start. Leaves no X server, package or files.
set -uo pipefail
build=$(cd "${1:?build directory}" && pwd)
PROBE=${2:?screen-probe tool}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/desktop-session.sh"

SESSION_DIR=$(mktemp -d /tmp/tarvello-e2e.XXXXXX)
installed=0

remove_package() {
  [ $installed -eq 1 ] || return 0
  installed=0
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq tarvello >/dev/null
  # Whatever the package pulled in goes too; packages that were there stay.
  dpkg-query -W -f='${Package}\n' | sort >"$SESSION_DIR/after"
  local added
  added=$(comm -13 "$SESSION_DIR/before" "$SESSION_DIR/after")
  [ -z "$added" ] || DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq $added >/dev/null
}
cleanup() {
  session_stop
  remove_package
  rm -rf "$SESSION_DIR"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
  echo "FAIL: $*"
  [ -f "$SESSION_DIR/program.log" ] && sed 's/^/  program: /' "$SESSION_DIR/program.log" | tail -n 20
  exit 1
}

echo "== package"
(cd "$build" && cpack -G DEB -B "$SESSION_DIR/package" >"$SESSION_DIR/cpack.log" 2>&1) \
  || { cat "$SESSION_DIR/cpack.log"; fail "cpack could not build the package"; }
deb=$(ls "$SESSION_DIR"/package/tarvello_*.deb)
echo "built $(basename "$deb")"
dpkg-deb -f "$deb" Depends
dpkg-deb -f "$deb" Recommends | grep -qw qt6-wayland || fail "the package does not recommend the Wayland plugin"
if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" 2>&1 | grep -v 'running with root privileges' || true
  lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian reports errors"
else
  echo "lintian is not installed: the package is not checked with it"
fi

echo "== X server"
if ! session_start_x; then
  echo "SKIP: $SESSION_ERROR"
  exit 77
fi
echo "Xvfb on $DISPLAY"

echo "== install"
program=/usr/bin/tarvello
if [ "$(id -u)" -ne 0 ]; then
  echo "not root: the program in the build tree is tested instead of the installed package"
  program="$build/tarvello"
elif dpkg-query -W -f='${Status}' tarvello 2>/dev/null | grep -q 'install ok installed'; then
  echo "a tarvello package is installed already and is left alone: the program in the build tree is tested instead"
  program="$build/tarvello"
else
  dpkg-query -W -f='${Package}\n' | sort >"$SESSION_DIR/before"
  installed=1
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >"$SESSION_DIR/apt.log" 2>&1 \
    || { cat "$SESSION_DIR/apt.log"; fail "apt-get could not install the package"; }
  for f in /usr/bin/tarvello /usr/libexec/tarvello/tarvello-decoder /usr/share/applications/org.tarvello.Tarvello.desktop \
    /usr/share/metainfo/org.tarvello.Tarvello.metainfo.xml /usr/share/man/man1/tarvello.1.gz \
    /usr/share/icons/hicolor/{16x16,32x32,48x48,128x128,256x256}/apps/tarvello.png \
    /usr/share/icons/hicolor/scalable/apps/tarvello.svg; do
    [ -e "$f" ] || fail "the package did not install $f"
  done
  echo "installed; the menu entry, icons, metainfo and manual page are in place"
fi

echo "== typical use of $program"
session_start_program "$program" || fail "$SESSION_ERROR"
echo "main window ${WIDTH}x${HEIGHT}, banner at $BX,$BY"
add_text 8 "Spring sale: 20% off" 130 22 || fail "$SESSION_ERROR"
gif="$SESSION_DIR/banner.gif"
export_gif "$gif" || fail "$SESSION_ERROR"
size=$(probe size "$gif")
[ "$size" = 468x60 ] || fail "the GIF is $size, not 468x60"
ink=$(probe count "$gif" 0000ff)
[ "${ink:-0}" -ge 20 ] || fail "the GIF has no text in the chosen blue (${ink:-0} pixels)"
matched=""
for _ in $(seq 25); do
  import -window root "$SESSION_DIR/screen.png"
  if result=$(probe match "$SESSION_DIR/screen.png" "$gif"); then matched=1; break; fi
  sleep 0.2
done
echo "$result"
[ -n "$matched" ] || fail "the GIF's pixels differ from the banner on the screen"
echo "the exported GIF ($size, $ink pixels of text) shows what the banner shows"

# A photograph through File > Load: decoded by the program's own decoder process.
photo="$SESSION_DIR/photo.jpg"
convert -seed 7 -size 468x60 plasma:fractal -quality 90 "$photo" 2>/dev/null || fail "cannot make a photograph"
load_picture "$photo" || fail "$SESSION_ERROR"
matched=""
for _ in $(seq 25); do
  import -window root "$SESSION_DIR/screen.png"
  if result=$(probe match "$SESSION_DIR/screen.png" "$photo"); then matched=1; break; fi
  sleep 0.2
done
echo "$result"
[ -n "$matched" ] || fail "the loaded photograph is not on the banner"
echo "the photograph loaded through the decoder shows on the banner"

session_stop
if [ $installed -eq 1 ]; then
  echo "== remove"
  remove_package
  ! dpkg-query -W -f='${Status}' tarvello 2>/dev/null | grep -q 'install ok installed' || fail "the package is still installed"
  [ ! -e /usr/bin/tarvello ] || fail "/usr/bin/tarvello is still there"
  echo "removed"
fi
echo "PASS"
