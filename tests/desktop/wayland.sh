#!/usr/bin/env bash
# The editor as a native Wayland client, on a headless Weston: the main window
# and the banner are drawn; the viewer, the about box and the help panel,
# opened through the accessibility bus, are drawn whole on the screen.
#   wayland.sh BUILD_DIR SCREEN_PROBE   (KEEP=1 keeps the screenshots and logs)
# Exit 77 (skipped), with a line saying why, where Weston, the toolkit's
# Wayland plugin or the accessibility tools are missing, or Weston cannot start.
set -uo pipefail
build=$(cd "${1:?build directory}" && pwd)
PROBE=${2:?screen-probe tool}
here=$(cd "$(dirname "$0")" && pwd)
ATSPI="$here/atspi.py"

skip() {
  echo "SKIP: $*"
  exit 77
}
command -v weston >/dev/null && command -v weston-screenshooter >/dev/null \
  || skip "Weston is not installed (scripts/deps.sh test installs it)"
ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 \
  || skip "the toolkit's Wayland plugin is not installed (qt6-wayland)"
command -v dbus-daemon >/dev/null && /usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null \
  || skip "the accessibility tools are not installed (dbus, python3-gi, gir1.2-atspi-2.0)"

dir=$(mktemp -d /tmp/tarvello-wayland.XXXXXX)
chmod 700 "$dir"
mkdir -m 700 "$dir/run" "$dir/home"
weston_pid="" bus_pid="" app_pid=""
cleanup() {
  local p
  for p in $app_pid $weston_pid $bus_pid; do
    kill "$p" 2>/dev/null && wait "$p" 2>/dev/null
  done
  [ -n "${KEEP:-}" ] || rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
  echo "FAIL: $*"
  for log in weston program; do
    [ -s "$dir/$log.log" ] && tail -n 8 "$dir/$log.log" | sed "s/^/  $log: /"
  done
  exit 1
}

export XDG_RUNTIME_DIR="$dir/run" HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config"
export XDG_CACHE_HOME="$dir/home/.cache" XDG_DATA_HOME="$dir/home/.local/share"
unset DISPLAY

echo "== Weston"
# A plain background and no panel, so that only the editor's windows change the screen.
cat >"$dir/weston.ini" <<'EOF'
[core]
idle-time=0
[shell]
panel-position=none
background-color=0xff203040
locking=false
animation=none
startup-animation=none
close-animation=none
focus-animation=none
EOF
weston --backend=headless-backend.so --use-pixman --debug --config="$dir/weston.ini" --socket=tarvello-0 \
  --width=1024 --height=768 >"$dir/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 100); do
  [ -S "$dir/run/tarvello-0" ] && break
  kill -0 "$weston_pid" 2>/dev/null || break
  sleep 0.1
done
[ -S "$dir/run/tarvello-0" ] || skip "Weston cannot start: $(tail -n 2 "$dir/weston.log" | tr '\n' ' ')"
export WAYLAND_DISPLAY=tarvello-0
echo "headless Weston on $WAYLAND_DISPLAY"

# A private session bus, which starts the accessibility bus on demand.
eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 | sed -n '1s/^/DBUS_SESSION_BUS_ADDRESS=/p;2s/^/bus_pid=/p')"
export DBUS_SESSION_BUS_ADDRESS
[ -n "$bus_pid" ] || fail "no session bus"
/usr/bin/python3 "$ATSPI" start || fail "no accessibility bus"

shots=0
# Weston's screenshooter writes into the folder it runs in; one folder a shot.
shot() {
  shots=$((shots + 1))
  local into="$dir/shot$shots"
  mkdir "$into"
  (cd "$into" && weston-screenshooter >/dev/null 2>&1)
  local file
  file=$(ls "$into"/*.png 2>/dev/null | head -n 1)
  [ -n "$file" ] || fail "Weston took no screenshot"
  mv "$file" "$dir/$1.png"
}
probe() {
  QT_QPA_PLATFORM=offscreen "$PROBE" "$@" 2>/dev/null
}

echo "== main window"
QT_QPA_PLATFORM=wayland QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$build/tarvello" >"$dir/program.log" 2>&1 &
app_pid=$!
/usr/bin/python3 "$ATSPI" wait "  Tarvello 1.0" || fail "the main window did not appear"
at=""
for _ in $(seq 50); do
  shot main
  at=$(probe locate "$dir/main.png" 468 60) && break
  sleep 0.2
done
[ -n "$at" ] || fail "no 468 x 60 banner on the screen"
swatches=$(probe count "$dir/main.png" ff00ff)
[ "${swatches:-0}" -ge 200 ] || fail "the palette is not drawn (${swatches:-0} magenta pixels)"
echo "banner at $at, palette drawn"

# Opens a window through the accessibility bus; checks that what it drew in one
# of its colours spans at least width by height pixels: the window is not cut
# off by the screen's edge.
opens() {
  local what=$1 control=$2 window=$3 color=$4 width=$5 height=$6 last=$7
  /usr/bin/python3 "$ATSPI" press "$control" || fail "cannot press $control"
  /usr/bin/python3 "$ATSPI" wait "$window" || fail "$what did not open"
  local x y w h n
  for _ in $(seq 25); do
    shot "$what"
    read -r x y w h n < <(probe changed "$dir/$last.png" "$dir/$what.png" "$color")
    [ "${w:-0}" -ge "$width" ] && [ "${h:-0}" -ge "$height" ] && break
    sleep 0.2
  done
  [ "${w:-0}" -ge "$width" ] && [ "${h:-0}" -ge "$height" ] \
    || fail "$what drew #$color over ${w:-0} x ${h:-0} pixels of the screen, not ${width} x ${height}"
  echo "$what drawn: #$color over $w x $h pixels from $x,$y"
}
# The viewer's two white lists; the about box's blue texts, from the title to
# the version and the tagline; the help panel's five lines.
opens viewer "BackGround Image" "    Tarvello Graphic Viewer" ffffff 300 200 main
opens about "About Tarvello" "About Tarvello" 0000ff 250 120 viewer
opens help "View Help" "Tarvello Help" 000000 300 80 about
echo "PASS"
