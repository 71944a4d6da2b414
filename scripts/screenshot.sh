#!/usr/bin/env bash
# Makes the README's picture: the editor on Xvfb with a finished banner.
#   scripts/screenshot.sh PROGRAM SCREEN_PROBE OUT.png
set -uo pipefail
program=${1:?tarvello executable}
PROBE=${2:?screen-probe tool}
out=${3:?output PNG}
source "$(dirname "$0")/desktop-session.sh"
SESSION_DIR=$(mktemp -d /tmp/tarvello-shot.XXXXXX)
trap 'session_stop; rm -rf "$SESSION_DIR"' EXIT
trap 'exit 130' INT TERM

session_start_x || { echo "cannot make the screenshot: $SESSION_ERROR"; exit 1; }
session_start_program "$program" || { echo "$SESSION_ERROR"; exit 1; }
set_background 12
add_text 8 "Tarvello: banners in a minute" 150 22 || { echo "$SESSION_ERROR"; exit 1; }
# The pointer away from the banner, so the readouts show the drop and no cursor is caught.
xdotool mousemove --sync $((BX + 150)) $((BY + 22))
sleep 0.3
mkdir -p "$(dirname "$out")"
import -window "$WIN" "$SESSION_DIR/window.png"
# A palette of 64 colours keeps the committed picture small.
convert "$SESSION_DIR/window.png" -strip +dither -colors 64 "PNG8:$out"
echo "screenshot: $out ($(stat -c %s "$out") bytes)"
