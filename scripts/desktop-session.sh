# Sourced by the end-to-end check and by `make screenshot`: a private Xvfb, the
# editor started on it with a throwaway home, and its typical use driven with
# xdotool. Every wait polls with a limit; nothing relies on a fixed long sleep.
#   SESSION_DIR  a scratch directory the caller owns and removes
#   PROBE        the screen-probe tool (tests/desktop/ScreenProbe.cpp)

SESSION_XVFB=""
SESSION_APP=""
SESSION_ERROR=""

# Starts Xvfb on a free display and exports DISPLAY; 1 with SESSION_ERROR set when it cannot.
session_start_x() {
  if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null || ! command -v import >/dev/null; then
    SESSION_ERROR="Xvfb, xdotool or ImageMagick is not installed (scripts/deps.sh test installs them)"
    return 1
  fi
  local number="$SESSION_DIR/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$number" \
    </dev/null >"$SESSION_DIR/xvfb.log" 2>&1 &
  SESSION_XVFB=$!
  local _
  for _ in $(seq 100); do
    [ -s "$number" ] && break
    kill -0 "$SESSION_XVFB" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$number" ]; then
    SESSION_ERROR="Xvfb cannot start: $(tail -n 2 "$SESSION_DIR/xvfb.log" | tr '\n' ' ')"
    return 1
  fi
  export DISPLAY=":$(tr -d '\n' <"$number")"
}

# Ends the editor and the X server, if they were started.
session_stop() {
  local p
  for p in $SESSION_APP $SESSION_XVFB; do
    kill "$p" 2>/dev/null && wait "$p" 2>/dev/null
  done
  SESSION_APP=""
  SESSION_XVFB=""
}

probe() {
  QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$SESSION_DIR/run" "$PROBE" "$@" 2>/dev/null
}

# Waits up to $2 seconds (default 15) for a visible window named $1; prints its id.
wait_window() {
  timeout "${2:-15}" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1
}

# Types $2 into the window $1 once it holds the keyboard: under load the
# dialog can be mapped before the toolkit has focused it, and the first
# letters would go to the main window.
type_into() {
  local _
  for _ in $(seq 50); do
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] && break
    sleep 0.1
  done
  sleep 0.2
  xdotool type --delay 10 "$2"
}

wait_window_gone() {
  local _
  for _ in $(seq 100); do
    [ -z "$(xdotool search --onlyvisible --name "$1" 2>/dev/null)" ] && return 0
    sleep 0.1
  done
  return 1
}

click() {
  xdotool mousemove --sync "$1" "$2" click 1
}

# Starts the program with a home of its own, waits for the main window and the
# painted banner. Sets WIN, X, Y, WIDTH, HEIGHT (main window) and BX, BY (banner).
session_start_program() {
  mkdir -p "$SESSION_DIR/home" "$SESSION_DIR/run"
  chmod 700 "$SESSION_DIR/run"
  env -u QT_SCALE_FACTOR QT_QPA_PLATFORM=xcb HOME="$SESSION_DIR/home" XDG_RUNTIME_DIR="$SESSION_DIR/run" \
    XDG_CONFIG_HOME="$SESSION_DIR/home/.config" XDG_CACHE_HOME="$SESSION_DIR/home/.cache" \
    XDG_DATA_HOME="$SESSION_DIR/home/.local/share" "$1" >"$SESSION_DIR/program.log" 2>&1 &
  SESSION_APP=$!
  WIN=$(wait_window '^  Tarvello 1\.0$' 30)
  [ -n "$WIN" ] || { SESSION_ERROR="the main window did not appear"; return 1; }
  eval "$(xdotool getwindowgeometry --shell "$WIN")"
  local _ at=""
  for _ in $(seq 50); do
    import -window root "$SESSION_DIR/start.png"
    at=$(probe locate "$SESSION_DIR/start.png" 468 60) && break
    sleep 0.2
  done
  [ -n "$at" ] || { SESSION_ERROR="no 468 x 60 banner on the screen"; return 1; }
  read -r BX BY <<<"$at"
}

# Fixed sizes of the main window, in pixels (app/Parent.cpp): the command strip
# is 45 wide with 42 x 41 buttons, the palette strip 45 high above a 25-high
# status bar, swatches 16 apart from x 80. The menu bar's height follows from
# the banner being centred in the work area.
toolbar_button() {
  local menu=$((2 * (BY - Y) - HEIGHT + 130))
  echo $((X + 22)) $((Y + menu + 1 + $1 * 41 + 20))
}
swatch() {
  local top=$((Y + HEIGHT - 70))
  echo $((X + 80 + 16 * ($1 % 14) + 8)) $((top + ($1 < 14 ? 8 : 24) + 8))
}

# Palette colour $1 as the text colour, "Add Text" with $2, dragged from the
# banner's left part to ($3, $4) in the banner.
add_text() {
  click $(swatch "$1")
  click $(toolbar_button 3)
  local box
  box=$(wait_window '^Tarvello$') || true
  [ -n "$box" ] || { SESSION_ERROR="the text input box did not open"; return 1; }
  xdotool type --delay 15 "$2"
  xdotool key Return
  wait_window_gone '^Tarvello$' || { SESSION_ERROR="the text input box did not close"; return 1; }
  xdotool mousemove --sync $((BX + 10)) $((BY + 10)) mousedown 1
  local step
  for step in 1 2 3 4; do
    xdotool mousemove --sync $((BX + 10 + (${3} - 10) * step / 4)) $((BY + 10 + (${4} - 10) * step / 4))
    sleep 0.05
  done
  xdotool mouseup 1
}

# Palette colour $1 as the banner's background: the command, then a click on the banner.
set_background() {
  click $(swatch "$1")
  click $(toolbar_button 2)
  click $((BX + 400)) $((BY + 30))
}

# File > Save As > Gif Format, and the file dialog answered with path $1.
export_gif() {
  local menu=$((2 * (BY - Y) - HEIGHT + 130))
  click $((X + 20)) $((Y + menu / 2))
  wait_window '^tarvello$' 5 >/dev/null || true
  xdotool key --delay 60 Down Down Down Down Right
  sleep 0.2
  xdotool key Return
  local dialog
  dialog=$(wait_window '^Save As$')
  [ -n "$dialog" ] || { SESSION_ERROR="the Save As dialog did not open"; return 1; }
  type_into "$dialog" "$1"
  xdotool key Return
  wait_window_gone '^Save As$' || { SESSION_ERROR="the Save As dialog did not close"; return 1; }
  local _
  for _ in $(seq 100); do
    [ -s "$1" ] && return 0
    sleep 0.1
  done
  SESSION_ERROR="no GIF was written at $1"
  return 1
}

# File > Load, and the file dialog answered with path $1.
load_picture() {
  local menu=$((2 * (BY - Y) - HEIGHT + 130))
  click $((X + 20)) $((Y + menu / 2))
  wait_window '^tarvello$' 5 >/dev/null || true
  xdotool key --delay 60 Down Down
  sleep 0.2
  xdotool key Return
  local dialog
  dialog=$(wait_window '^Open$')
  [ -n "$dialog" ] || { SESSION_ERROR="the Open dialog did not open"; return 1; }
  type_into "$dialog" "$1"
  xdotool key Return
  wait_window_gone '^Open$' || { SESSION_ERROR="the Open dialog did not close"; return 1; }
}
