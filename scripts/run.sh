#!/usr/bin/env bash
# Starts the editor. Without a display it runs on a virtual one, saves a
# screenshot of the main window and exits.
set -euo pipefail
program=${1:?path of the tarvello executable}

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$program"
fi

shot="$(pwd)/build/tarvello-screenshot.png"
echo "No display is available: running Tarvello on a virtual X display (Xvfb) instead."
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$1" & app=$!
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name "Tarvello 1.0" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.1
  done
  sleep 1
  if [ -n "$window" ]; then import -window "$window" "$2"; else import -window root "$2"; fi
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
' _ "$program" "$shot"
echo "Screenshot of the main window: $shot"
