#!/usr/bin/env bash
# The release program left running: Dalmiro on a virtual X display against zbsim on a pseudo-terminal,
# a busy network of 200 devices (50 report every 5 s, cyclic ping every 1000 ms) with churn on the
# simulator's schedule (rejoins, silences, swapped short addresses, strangers, strings, noise, restarts).
# Samples the program's resident memory and CPU every minute and prints the RSS slope after the first
# ten minutes and the mean CPU.
#   tests/soak/soak_real.sh BUILD_DIR HOURS      (HOURS may be a fraction: 0.25)
# SOAK_DISPLAY=N uses display :N; without it Xvfb picks a free one. The run's files (simulator log,
# samples, a screenshot at the end) stay in BUILD_DIR/soak-real.
set -euo pipefail
source "$(dirname "$0")/../../scripts/start-against-zbsim.sh"

PORT=7
SAMPLE_SECONDS=${SOAK_SAMPLE_SECONDS:-60}
[ $# -eq 2 ] || { echo "usage: $0 BUILD_DIR HOURS" >&2; exit 2; }
BIN=$(cd "$1/bin" && pwd)
TOTAL_SECONDS=$(awk -v h="$2" 'BEGIN { s = int(h * 3600); print (s > 0 ? s : 0) }')
[ "$TOTAL_SECONDS" -ge 60 ] || { echo "soak-real: HOURS must give at least one minute" >&2; exit 2; }
for program in zbsim Dalmiro; do
  [ -x "$BIN/$program" ] || { echo "soak-real: $BIN/$program is not built" >&2; exit 1; }
done
OUT="$(cd "$1" && pwd)/soak-real"
rm -rf "$OUT"
mkdir -p "$OUT"
WORK=$(mktemp -d /tmp/dalmiro-soak.XXXXXX)
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
    [ -f "$f" ] && cp "$f" "$OUT/" 2>/dev/null
    if [ -f "$WORK/$(basename "$f")" ]; then mv "$WORK/$(basename "$f")" "$f"; else rm -f "$f"; fi
  done
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
for f in "${NET_FILES[@]}"; do [ -f "$f" ] && mv "$f" "$WORK/"; done

printf '[Settings]\nSerialPort=%s\nShowSplash=0\n' "$PORT" >"$XDG_CONFIG_HOME/Dalmiro/Corvani_ZigBee_Demo.ini"
# A network met for the first time, polled every second: every device is learnt from its announce.
printf '[Main]\nTotalDevice="0"\nmSecAlive="1000"\nenapollPing="1"\nDefaultPollRate="20000"\n' >"${NET_FILES[0]}"

# 120 routers (the first 50 report every 5 s, the rest every 10 minutes, one echoes strings, one is
# silent), 80 end devices that sleep 2 to 5 s and report every 10 minutes.
{
  echo "coordinator mac=00:13:A2:00:40:5A:C0:01 pan=3F21 channel=15 version=2.1 seed=20"
  echo "timing join_spacing=300"
  echo "faults garbage_every=180000"
  echo "churn rejoin=600 silence=1800 silence_for=3600 swap=1800 stranger=3600 talk=300 restart=3600"
  for i in $(seq 1 120); do
    extra="report=600"
    [ "$i" -le 50 ] && extra="report=5"
    [ "$i" -eq 51 ] && extra="report=600 echo"
    [ "$i" -eq 52 ] && extra="silent"
    printf 'device mac=00:13:A2:00:41:00:%02X:%02X type=7 lqi=%d %s\n' $((i / 256)) $((i % 256)) $((40 + i)) "$extra"
  done
  for i in $(seq 1 80); do
    printf 'device mac=00:13:A2:00:42:00:%02X:%02X type=%d report=600 poll=%d\n' $((i / 256)) $((i % 256)) \
      $((i % 2 ? 4 : 6)) $((2000 + 40 * i))
  done
} >"$OUT/network.cfg"

if [ -n "${SOAK_DISPLAY:-}" ]; then
  Xvfb ":$SOAK_DISPLAY" -screen 0 1600x1200x24 -nolisten tcp 2>"$WORK/xvfb.log" &
  pids+=($!)
  echo "$SOAK_DISPLAY" >"$WORK/display"
  sleep 1
else
  Xvfb -displayfd 5 -screen 0 1600x1200x24 -nolisten tcp 5>"$WORK/display" 2>"$WORK/xvfb.log" &
  pids+=($!)
  for _ in $(seq 300); do [ -s "$WORK/display" ] && break; sleep 0.1; done
fi
[ -s "$WORK/display" ] && kill -0 "${pids[0]}" 2>/dev/null ||
  { echo "soak-real: Xvfb did not start" >&2; cat "$WORK/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$WORK/display")"

start_against_zbsim soak-real "$BIN" "$WORK" "$OUT" "$PORT" --config "$OUT/network.cfg"

hz=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$app/stat"; }
rss_kb() { awk '/^VmRSS/ { print $2 }' "/proc/$app/status"; }
echo "soak-real: $2 h against 200 devices on $DISPLAY; a sample every $SAMPLE_SECONDS s in $OUT/samples.txt"
echo "# minute rss_kb cpu_percent_of_the_minute" >"$OUT/samples.txt"
start=$(date +%s)
t_start=$(cpu_ticks)
t_prev=$t_start
minute=0
while [ $(( $(date +%s) - start )) -lt "$TOTAL_SECONDS" ]; do
  sleep "$SAMPLE_SECONDS"
  kill -0 "$app" 2>/dev/null || {
    wait "$app" && status=0 || status=$?
    echo "soak-real: Dalmiro ended on its own after $minute min (status $status)" >&2
    tail -n 20 "$OUT/dalmiro.log" >&2
    exit 1
  }
  minute=$((minute + 1))
  t=$(cpu_ticks)
  line=$(awk -v m="$minute" -v r="$(rss_kb)" -v d="$((t - t_prev))" -v hz="$hz" -v s="$SAMPLE_SECONDS" \
    'BEGIN { printf "%d %d %.2f", m, r, 100 * d / hz / s }')
  echo "$line" >>"$OUT/samples.txt"
  t_prev=$t
done
elapsed=$(( $(date +%s) - start ))
t_end=$(cpu_ticks)
import -display "$DISPLAY" -window root "$OUT/screen.png" 2>/dev/null || true

count() { grep -c -- "$1" "$OUT/zbsim.log" || true; }
echo "churn seen: $(count '(churn: .* rejoins)') rejoins, $(count 'falls silent') silences, $(count 'swap short') swaps," \
  "$(count 'stranger') strangers, $(count 'restarts)') restarts, $(count '(noise)') noise bursts, $(count '-> 02-') strings"
echo "coordinator identifications: $(count '<- CMD:11;'), pings sent: $(count '<- CMD:0E:')"
# Least-squares slope of RSS against time over the minutes after the first ten, in KB per hour.
awk -v elapsed="$elapsed" -v ticks="$((t_end - t_start))" -v hz="$hz" '
  !/^#/ { n_all++; last = $2; if (n_all == 1) first = $2
          if ($1 > 10) { n++; sx += $1; sy += $2; sxx += $1 * $1; sxy += $1 * $2 } }
  END {
    printf "RSS: %.1f MB after 1 min, %.1f MB at the end\n", first / 1024, last / 1024
    if (n >= 2 && n * sxx - sx * sx > 0)
      printf "RSS slope after the first ten minutes: %.0f KB/h over %d samples (goal: 0 within noise)\n",
             60 * (n * sxy - sx * sy) / (n * sxx - sx * sx), n
    else
      print "RSS slope after the first ten minutes: too few samples"
    printf "mean CPU: %.2f %% of one core over %d s (goal: under 1 %%)\n", 100 * ticks / hz / elapsed, elapsed
  }' "$OUT/samples.txt"
