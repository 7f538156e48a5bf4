#!/usr/bin/env bash
# The real program at rest: Dalmiro on a virtual X display against the simulated demo network on a
# pseudo-terminal, cycling ping every 1000 ms, nobody at the keyboard. After start-up and a settling
# pause, prints the CPU it used over SECONDS (60 by default) beside its goal, its wake-ups a second and
# its peak memory.
#   bench/program/idle_cpu.sh BUILD_DIR
set -euo pipefail
source "$(dirname "$0")/../../scripts/start-against-zbsim.sh"

SECONDS_MEASURED=${IDLE_SECONDS:-60}
PORT=7
[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
BIN=$(cd "$1/bin" && pwd)
WORK=$(mktemp -d /tmp/dalmiro-idle.XXXXXX)
export XDG_CONFIG_HOME="$WORK/config" XDG_STATE_HOME="$WORK/state"
mkdir -p "$XDG_CONFIG_HOME/Dalmiro"
# The network files live beside the program: keep whatever an earlier run left there.
NET_FILES=("$BIN/0013A200405AC001.ini" "$BIN/0013A200405AC001_macList.txt")

pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  for f in "${NET_FILES[@]}"; do
    if [ -f "$WORK/$(basename "$f")" ]; then mv "$WORK/$(basename "$f")" "$f"; else rm -f "$f"; fi
  done
  rm -rf "$WORK"
}
trap cleanup EXIT
for f in "${NET_FILES[@]}"; do [ -f "$f" ] && mv "$f" "$WORK/"; done

printf '[Settings]\nSerialPort=%s\nShowSplash=0\n' "$PORT" >"$XDG_CONFIG_HOME/Dalmiro/Corvani_ZigBee_Demo.ini"
# The demo network as known from an earlier run, polled every second.
{
  printf '[Main]\nTotalDevice="4"\nmSecAlive="1000"\nenapollPing="1"\nDefaultPollRate="20000"\n[MAC List]\n'
  printf 'Device00000%d="00:13:A2:00:40:5A:%s"\n' 1 10:01 2 10:02 3 20:01 4 20:02
} >"${NET_FILES[0]}"

Xvfb -displayfd 5 -screen 0 1600x1200x24 -nolisten tcp 5>"$WORK/display" 2>"$WORK/xvfb.log" &
pids+=($!)
for _ in $(seq 300); do [ -s "$WORK/display" ] && break; sleep 0.1; done
[ -s "$WORK/display" ] || { echo "idle_cpu: Xvfb did not start" >&2; cat "$WORK/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$WORK/display")"

start_against_zbsim idle_cpu "$BIN" "$WORK" "$WORK" "$PORT"
sleep 5

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$app/stat"; }
switches() { cat /proc/"$app"/task/*/status | awk '/ctxt_switches/ { n += $2 } END { print n }'; }
pings_seen() { grep -c "<- CMD:0E:" "$WORK/zbsim.log" || true; }
t0=$(cpu_ticks) s0=$(switches) p0=$(pings_seen)
sleep "$SECONDS_MEASURED"
t1=$(cpu_ticks) s1=$(switches) p1=$(pings_seen)
hz=$(getconf CLK_TCK)
awk -v t="$((t1 - t0))" -v hz="$hz" -v s="$((s1 - s0))" -v p="$((p1 - p0))" -v n="$SECONDS_MEASURED" 'BEGIN {
  printf "idle CPU of Dalmiro over %d s, demo network polled every 1000 ms (%d pings): %.2f %% of a core (goal: under 0.3 %%)\n",
         n, p, 100 * t / hz / n
  printf "thread wake-ups a second: %.1f\n", s / n }'
awk '/VmHWM/ { printf "peak resident memory: %.1f MB\n", $2 / 1024 }' "/proc/$app/status"
