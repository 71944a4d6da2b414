#!/usr/bin/env bash
# Installs the Debian packages the project needs, when they are missing.
#   scripts/deps.sh build   what building and testing need
#   scripts/deps.sh run     that, plus a virtual display for machines without one
#   scripts/deps.sh compare that, plus the tools the GIF comparison runs beside ours
#   scripts/deps.sh mingw   that, plus the cross compiler for the Windows sources
#   scripts/deps.sh wine    that, plus Wine to run their console check
#   scripts/deps.sh package that, plus what builds and checks the Debian package
#   scripts/deps.sh test    package, plus the X server and tools of the end-to-end check,
#                           the Wayland compositor and accessibility tools of the
#                           Wayland check, and the formatter
#   scripts/deps.sh fuzz    that, plus clang with libFuzzer and the sanitizer runtimes
#   scripts/deps.sh tidy    that, plus clang-tidy
set -euo pipefail

build_packages=(cmake ninja-build g++ make qt6-base-dev libgl-dev fonts-dejavu-core fonts-liberation2 libgif-dev libimagequant-dev libfontconfig-dev libseccomp-dev pkgconf libxcb-damage0-dev)
run_packages=(xvfb xauth xdotool x11-utils imagemagick)
wayland_packages=(weston qt6-wayland dbus at-spi2-core python3 python3-gi gir1.2-atspi-2.0)
compare_packages=(imagemagick ffmpeg gifsicle bc libvips-tools python3 python3-skimage mate-backgrounds fonts-urw-base35)
mingw_packages=(g++-mingw-w64-x86-64-posix)
wine_packages=(wine64)
package_packages=(dpkg-dev file lintian desktop-file-utils appstream man-db)
format_packages=(clang-format-14)
fuzz_packages=(clang libclang-rt-14-dev llvm)
tidy_packages=(clang-tidy-14)

wanted=("${build_packages[@]}")
case "${1:-build}" in
  run) wanted+=("${run_packages[@]}") ;;
  compare) wanted+=("${compare_packages[@]}") ;;
  mingw) wanted+=("${mingw_packages[@]}") ;;
  wine) wanted+=("${wine_packages[@]}") ;;
  package) wanted+=("${package_packages[@]}") ;;
  test) wanted+=("${package_packages[@]}" "${run_packages[@]}" "${wayland_packages[@]}" "${format_packages[@]}") ;;
  fuzz) wanted+=("${fuzz_packages[@]}") ;;
  tidy) wanted+=("${tidy_packages[@]}") ;;
esac

missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Install them as root, then run make again:" >&2
  echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
