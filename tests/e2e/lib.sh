# Shared steps of the end-to-end tests: a private X display, the real editor
# in it, and xdotool moving the pointer and typing as a user does. There is
# no window manager, so keyboard focus follows the pointer.

fail() { echo "FAIL: $*" >&2; exit 1; }

# Arguments of every test: EDITOR CLI ARTIFACT_FOLDER. Sets EDITOR_BIN, CLI,
# ARTIFACTS and a scratch folder WORK that goes with the display at exit.
e2e_setup() {
  EDITOR_BIN=$(realpath "$1")
  CLI=$(realpath "$2")
  ARTIFACTS=$3
  WORK=$(mktemp -d)
  trap 'stop_all; rm -rf "$WORK"' EXIT
  mkdir -p "$ARTIFACTS"
}

start_display() {
  local n
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
      XVFB_PID=$!
      export DISPLAY=":$n"
      for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && return 0
        sleep 0.1
      done
      fail "Xvfb did not start on :$n"
    fi
  done
  fail "no free X display"
}

stop_all() {
  [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null
  true
}

# Starts the editor in folder $1 (with the rest as its arguments) and sets
# WX, WY to its window's position.
start_editor() {
  local folder=$1
  shift
  (cd "$folder" && exec "$EDITOR_BIN" "$@") >"$WORK/editor.log" 2>&1 &
  APP_PID=$!
  local win=""
  for _ in $(seq 100); do
    win=$(timeout 2 xdotool search --class orrimax 2>/dev/null | tail -n 1 || true)
    [ -n "$win" ] && break
    sleep 0.1
  done
  [ -n "$win" ] || fail "the editor's window did not appear"
  sleep 0.5
  local geometry
  geometry=$(timeout 2 xdotool getwindowgeometry "$win" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')
  WX=${geometry% *}
  WY=${geometry#* }
}

# Clicks at a point given relative to the editor's window.
click_at() {
  timeout 5 xdotool mousemove $((WX + $1)) $((WY + $2)) click 1
  sleep 0.3
}

type_text() { timeout 20 xdotool type --delay 30 "$1"; sleep 0.2; }
press() { timeout 5 xdotool key "$@"; sleep 0.2; }

# File > Open..., answered by typing the path into the dialog.
open_roster() {
  click_at 18 7
  click_at 55 26
  sleep 0.8
  local dialog geometry dx dy
  dialog=$(timeout 2 xdotool search --name '^Open\.\.\.$' 2>/dev/null | tail -n 1 || true)
  [ -n "$dialog" ] || fail "the Open dialog did not appear"
  geometry=$(timeout 2 xdotool getwindowgeometry "$dialog" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')
  dx=${geometry% *}
  dy=${geometry#* }
  timeout 5 xdotool mousemove $((dx + 300)) $((dy + 200))
  type_text "$1"
  press Return
  sleep 1.5
}

save_roster() {
  click_at 18 7
  click_at 55 48
  sleep 1
}

screenshot() { timeout 10 import -window root "$1" 2>/dev/null || true; }
