#!/usr/bin/env bash
# Runs Dalmiro against the simulated coordinator and its demo network.
#   scripts/run-demo.sh BUILD_DIR      (make run passes build/run)
# Everything the demo writes stays under BUILD_DIR: its own settings (the operator's are untouched),
# the simulator's log, and without a display the screenshots of a headless run in which an operator
# tour clicks through the main window's buttons, the device window and the network health window.
set -euo pipefail

PORT=7
# How long the headless demo runs on after the operator tour, before the screenshots.
RUN_SECONDS=${RUN_SECONDS:-10}

[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
BUILD_DIR=$(cd "$1" && pwd)
BIN="$BUILD_DIR/bin"
OUT="$BUILD_DIR/demo"
TTY="$BUILD_DIR/demo-tty"
export XDG_CONFIG_HOME="$BUILD_DIR/demo-config"
mkdir -p "$OUT" "$XDG_CONFIG_HOME/Dalmiro"

for program in zbsim Dalmiro; do
  [ -x "$BIN/$program" ] || { echo "run-demo: $BIN/$program is not built" >&2; exit 1; }
done

sim_pid=""
app_pid=""
xvfb_pid=""
cleanup() {
  # Stop what we started, newest first; each only if it is still ours and alive.
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then kill -TERM "$app_pid" 2>/dev/null || true; fi
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
    kill -TERM "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The demo's own settings: the simulator's port, so that Enter at the port prompt is all it takes,
# and, unless the demo ran before and the operator moved them, the log window placed below the main
# window so that both can be seen (and photographed) at once.
set_setting() {  # KEY VALUE [keep]: with "keep", an existing value stays
  local file="$XDG_CONFIG_HOME/Dalmiro/Corvani_ZigBee_Demo.ini" tmp
  tmp=$(mktemp "$file.XXXXXX")
  [ -f "$file" ] || printf '[Settings]\n' >"$file"
  awk -v key="$1" -v value="$2" -v keep="${3:-}" '
    /^\[/ { if (in_settings && !done) { print key "=" value; done = 1 }
            in_settings = ($0 == "[Settings]"); seen = seen || in_settings }
    in_settings && index($0, key "=") == 1 { if (!done) print (keep ? $0 : key "=" value); done = 1; next }
    { print }
    END { if (!done) { if (!in_settings) print "[Settings]"; print key "=" value } }' "$file" >"$tmp"
  mv "$tmp" "$file"
}

save_demo_settings() {
  set_setting SerialPort "$PORT"
  set_setting LogLeft 1000 keep
  set_setting LogTop 10500 keep
}

start_simulator() {
  "$BIN/zbsim" --link "$TTY" --port "$PORT" 2>"$OUT/zbsim.log" &
  sim_pid=$!
  for _ in $(seq 50); do
    [ -L "$TTY" ] && grep -q "coordinator" "$OUT/zbsim.log" 2>/dev/null && return 0
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "run-demo: the simulator did not start:" >&2
  cat "$OUT/zbsim.log" >&2
  exit 1
}

# Viewable top-level windows as "id width height name", one a line. Without a window manager the
# top-level windows are the root's children.
top_windows() {
  local id
  for id in $(xwininfo -root -children 2>/dev/null | awk '$1 ~ /^0x/ {print $1}'); do
    xwininfo -id "$id" 2>/dev/null | awk -v id="$id" '
      /^xwininfo: Window id:/ { name = $0; sub(/^[^"]*"?/, "", name); sub(/"$/, "", name) }
      /Width:/ { w = $2 } /Height:/ { h = $2 }
      /Map State: IsViewable/ { viewable = 1 }
      END { if (viewable) print id, w, h, name }'
  done
}

window_named() { top_windows | awk -v n="$1" '{ id = $1; $1 = $2 = $3 = ""; sub(/^ +/, ""); if ($0 == n) print id }'; }

wait_for_window() {  # name, seconds -> id of the first such window
  local id
  for _ in $(seq $(($2 * 5))); do
    id=$(window_named "$1" | head -n1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$app_pid" 2>/dev/null || return 1
    sleep 0.2
  done
  return 1
}

is_viewable() { xwininfo -id "$1" 2>/dev/null | grep -q "IsViewable"; }

# ---- Operator tour --------------------------------------------------------------------------------
# Clicks through the main window's network buttons as an operator would, against the simulator:
# unlock the network, let the candidate device join, lock it again, switch cycling ping on and move
# the network to another radio channel. Each step waits until the simulator has received the command
# the click should send, so a click that missed says so instead of passing unnoticed.

# Button centres in the main window's designed layout; the menu bar above it is about 20 px on this
# virtual screen, and the buttons are 44 px tall, so a few pixels either way still hit them.
MENU_BAR=20
BTN_LOCK=(775 108)
BTN_CHANNEL=(775 270)
BTN_PING=(775 432)

sim_lines() { wc -l <"$OUT/zbsim.log"; }

wait_for_command() {  # COMMAND SINCE_LINE SECONDS: until the simulator received COMMAND after that line
  for _ in $(seq $(($3 * 5))); do
    tail -n +"$(($2 + 1))" "$OUT/zbsim.log" | grep -qF -- "<- $1" && return 0
    kill -0 "$app_pid" 2>/dev/null || return 1
    sleep 0.2
  done
  return 1
}

click_button() {  # X Y in the designed layout
  xdotool mousemove --window "$main" "$1" $(($2 + MENU_BAR)) click 1
}

input_box() {  # SECONDS -> id of the input box the last click opened
  local box
  for _ in $(seq $(($1 * 5))); do
    box=$(window_named "Lumaro" | grep -vx "$main" | head -n1)
    [ -n "$box" ] && { echo "$box"; return 0; }
    sleep 0.2
  done
  return 1
}

answer_prompt() {  # TEXT: typed into the input box the last click opened, then Enter
  local box
  box=$(input_box 5) || { echo "run-demo: tour: no input box appeared" >&2; return 1; }
  xdotool mousemove --window "$box" 20 20 windowfocus --sync "$box" key --clearmodifiers ctrl+a
  xdotool type --delay 40 "$1"
  xdotool key --clearmodifiers Return
}

tour_step() {  # TEXT COMMAND SECONDS X Y [ANSWER]: click, answer, and wait for the command on the wire
  local since
  since=$(sim_lines)
  echo "run-demo: tour: $1"
  click_button "$4" "$5"
  if [ -n "${6:-}" ]; then answer_prompt "$6" || return 1; fi
  wait_for_command "$2" "$since" "$3" || { echo "run-demo: tour: no $2 reached the simulator" >&2; return 1; }
}

operator_tour() {
  local since
  main=$(window_named "Lumaro" | head -n1)
  [ -n "$main" ] || { echo "run-demo: tour: no main window" >&2; return 1; }
  tour_step "Unlock Net" "CMD:0A:FF;" 5 "${BTN_LOCK[@]}" || return 1
  echo "run-demo: tour: waiting for the candidate device to join"
  sleep 6
  tour_step "Lock Net" "CMD:0A:0;" 5 "${BTN_LOCK[@]}" || return 1
  # Cycling ping is saved with the network, so it may be on from an earlier run: the first click then
  # switches it off without asking, and a second one asks for the period.
  click_button "${BTN_PING[@]}"
  input_box 2 >/dev/null || click_button "${BTN_PING[@]}"
  since=$(sim_lines)
  echo "run-demo: tour: Enable cycling PING, 1000 ms"
  answer_prompt 1000 || return 1
  wait_for_command "CMD:0E:" "$since" 10 || { echo "run-demo: tour: no ping reached the simulator" >&2; return 1; }
  since=$(sim_lines)
  tour_step "Change Channel to 20" "CMD:07:14;" 5 "${BTN_CHANNEL[@]}" 20 || return 1
  echo "run-demo: tour: waiting for the coordinator to restart and the devices to rejoin"
  wait_for_command "CMD:04;" "$since" 90 || { echo "run-demo: tour: the network was not registered again" >&2; return 1; }
  sleep 8
}
# ---- End of the operator tour ---------------------------------------------------------------------

# ---- Device window --------------------------------------------------------------------------------
# Opens the echoing router (the first row of the list), gives it a 2 s I/O read time with Apply so that
# its reports come, switches output 1, sends it a string, which it echoes, and photographs the window.
# Positions are those of the window definitions (frmMain.ui, frmDevice.ui); each step waits for its
# command at the simulator.
FIRST_NAME=(441 124)      # first row's device name, main window
DEV_NEW_RATE=(218 249)    # I/O Read Time (S), device window
DEV_APPLY=(318 319)
DEV_OUTPUT_1=(591 78)
DEV_STRING=(376 420)

wait_for_received() {  # REGEX SINCE_LINE SECONDS: like wait_for_command, for a command matching REGEX
  for _ in $(seq $(($3 * 5))); do
    tail -n +"$(($2 + 1))" "$OUT/zbsim.log" | grep -qE -- "<- $1" && return 0
    sleep 0.2
  done
  return 1
}

device_window_step() {
  local main=$1 device since shot="$OUT/device-window.png"
  rm -f "$shot"
  echo "run-demo: device window: open the first device, Apply a 2 s I/O read time"
  xdotool mousemove --window "$main" "${FIRST_NAME[0]}" $((FIRST_NAME[1] + MENU_BAR)) click --repeat 2 --delay 80 1
  device=$(wait_for_window "Device Handling" 10) || { echo "run-demo: the device window did not open" >&2; return 1; }
  since=$(sim_lines)
  xdotool windowfocus --sync "$device"
  xdotool mousemove --window "$device" "${DEV_NEW_RATE[@]}" click 1 key ctrl+a type "2"
  xdotool mousemove --window "$device" "${DEV_APPLY[@]}" click 1
  wait_for_received "CMD:05:[0-9A-F]{4}:0002;" "$since" 10 || { echo "run-demo: device window: Apply sent no period" >&2; return 1; }
  sleep 5  # two reports
  echo "run-demo: device window: switch output 1, send a string"
  since=$(sim_lines)
  xdotool mousemove --window "$device" "${DEV_OUTPUT_1[@]}" click 1
  wait_for_received "CMD:0[BC]:[0-9A-F]{4}:1;" "$since" 5 || { echo "run-demo: device window: output 1 was not switched" >&2; return 1; }
  xdotool mousemove --window "$device" "${DEV_STRING[@]}" click 1 type --delay 20 "Hello from Dalmiro"
  xdotool key Return
  wait_for_command "SNT:" "$since" 5 || { echo "run-demo: device window: the string was not sent" >&2; return 1; }
  sleep 2   # delivered, and echoed
  import -window "$device" "$shot" || echo "run-demo: no device window to capture" >&2
}
# ---- End of the device window ---------------------------------------------------------------------

# ---- Network health window ------------------------------------------------------------------------
# Opens the window with its keyboard shortcut on the main window, selects the first three devices so
# that their link quality is plotted, lets it redraw and photographs it.
HEALTH_FIRST_ROW=(120 68)  # a name cell of the table's first row, health window

health_window_step() {
  local main=$1 health shot="$OUT/health-window.png"
  rm -f "$shot"
  echo "run-demo: network health: open it with Ctrl+H, plot the first three devices"
  xdotool windowfocus --sync "$main" key --clearmodifiers ctrl+h
  health=$(wait_for_window "Network health" 10) || { echo "run-demo: the health window did not open" >&2; return 1; }
  xdotool windowfocus --sync "$health"
  xdotool mousemove --window "$health" "${HEALTH_FIRST_ROW[@]}" click 1 key shift+Down shift+Down
  sleep 3   # a few live refreshes
  import -window "$health" "$shot" || echo "run-demo: no health window to capture" >&2
}
# ---- End of the network health window -------------------------------------------------------------

run_headless() {
  local display_file="$OUT/xvfb-display" prompt main log shot_main shot_log
  : >"$display_file"
  Xvfb -displayfd 5 -screen 0 1600x1200x24 -nolisten tcp 5>"$display_file" 2>"$OUT/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -s "$display_file" ] && break; sleep 0.1; done
  [ -s "$display_file" ] || { echo "run-demo: Xvfb did not start" >&2; cat "$OUT/xvfb.log" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$display_file")"
  command -v xdotool >/dev/null || { echo "run-demo: xdotool is missing (make deps installs it)" >&2; exit 1; }

  "$BIN/Dalmiro" >"$OUT/dalmiro.log" 2>&1 &
  app_pid=$!
  # The port prompt carries the program's title; accept the proposed (saved) port.
  prompt=$(wait_for_window "Lumaro" 30) || { echo "run-demo: no port prompt appeared" >&2; exit 1; }
  for _ in 1 2 3; do
    xdotool mousemove --window "$prompt" 20 20 windowfocus --sync "$prompt" key --clearmodifiers Return || true
    for _ in $(seq 15); do is_viewable "$prompt" || break; sleep 0.2; done
    is_viewable "$prompt" || break
  done
  is_viewable "$prompt" && { echo "run-demo: the window titled Lumaro did not close on Enter (not the port prompt?)" >&2; exit 1; }

  echo "run-demo: Dalmiro runs on $DISPLAY with the simulated network"
  # Start-up ends with the network locked.
  wait_for_command "CMD:0A:0;" 0 60 || { echo "run-demo: start-up did not finish, see $OUT/dalmiro.log" >&2; exit 1; }
  operator_tour || echo "run-demo: the operator tour stopped early; the screenshots show where" >&2

  echo "run-demo: running ${RUN_SECONDS} s more"
  for _ in $(seq "$RUN_SECONDS"); do
    kill -0 "$app_pid" 2>/dev/null || { echo "run-demo: Dalmiro ended early, see $OUT/dalmiro.log" >&2; exit 1; }
    sleep 1
  done

  # The main window is titled; the log window has no title and is the largest of the others.
  main=$(window_named "Lumaro" | head -n1)
  log=$(top_windows | awk -v main="$main" '$1 != main && $2 >= 200 && $3 >= 100 { print $2 * $3, $1 }' |
        sort -rn | awk 'NR == 1 { print $2 }')
  shot_main="$OUT/main-window.png"
  shot_log="$OUT/log-window.png"
  rm -f "$shot_main" "$shot_log"
  [ -n "$main" ] && import -window "$main" "$shot_main" || echo "run-demo: no main window to capture" >&2
  [ -n "$log" ] && import -window "$log" "$shot_log" || echo "run-demo: no log window to capture" >&2

  [ -n "$main" ] && { device_window_step "$main" || echo "run-demo: the device window step stopped early" >&2; }
  [ -n "$main" ] && { health_window_step "$main" || echo "run-demo: the health window step stopped early" >&2; }

  # A normal close: the program saves its settings and network files on its way out.
  kill -TERM "$app_pid" 2>/dev/null || true
  for _ in $(seq 75); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.2; done
  if kill -0 "$app_pid" 2>/dev/null; then
    echo "run-demo: Dalmiro did not end on SIGTERM; killing it" >&2
    kill -KILL "$app_pid" 2>/dev/null || true
  fi
  wait "$app_pid" 2>/dev/null || true
  app_pid=""

  echo "run-demo: done"
  [ -f "$shot_main" ] && echo "  main window screenshot: $shot_main"
  [ -f "$shot_log" ] && echo "  log window screenshot:  $shot_log"
  [ -f "$OUT/device-window.png" ] && echo "  device window screenshot: $OUT/device-window.png"
  [ -f "$OUT/health-window.png" ] && echo "  health window screenshot: $OUT/health-window.png"
  echo "  program output:         $OUT/dalmiro.log"
  echo "  simulator traffic log:  $OUT/zbsim.log"
  echo "  settings:               $XDG_CONFIG_HOME/Dalmiro/Corvani_ZigBee_Demo.ini"
  local f
  for f in "$BIN"/[0-9A-F]*.ini "$BIN"/*_macList.txt; do
    [ -f "$f" ] && echo "  network file:           $f"
  done
  return 0
}

save_demo_settings
start_simulator
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "run-demo: simulated coordinator on port $PORT ($TTY); press Enter at the port prompt"
  status=0
  "$BIN/Dalmiro" || status=$?
  exit "$status"
fi
run_headless
