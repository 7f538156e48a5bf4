# Sourced by the scripts that measure the real program: starts zbsim on a pseudo-terminal link and
# Dalmiro against it, answers the port prompt with the proposed port and waits until start-up has
# locked the network. Sets `app` to Dalmiro's pid and puts both pids in the caller's `pids`.
#   start_against_zbsim NAME BIN WORK LOGS PORT [zbsim options...]
# NAME starts the error message; the link lives in WORK, zbsim.log and dalmiro.log in LOGS.
start_against_zbsim() {
  local name=$1 bin=$2 work=$3 logs=$4 port=$5
  shift 5
  "$bin/zbsim" --link "$work/tty" --port "$port" "$@" 2>"$logs/zbsim.log" &
  pids+=($!)
  for _ in $(seq 50); do [ -L "$work/tty" ] && break; sleep 0.1; done

  "$bin/Dalmiro" >"$logs/dalmiro.log" 2>&1 &
  app=$!
  pids=("$app" "${pids[@]}")
  for _ in $(seq 100); do
    grep -q "CMD:0A:0;" "$logs/zbsim.log" 2>/dev/null && break
    xdotool search --name "^Lumaro$" >/dev/null 2>&1 && xdotool key --clearmodifiers Return 2>/dev/null || true
    sleep 0.3
  done
  grep -q "CMD:0A:0;" "$logs/zbsim.log" ||
    { echo "$name: start-up did not finish" >&2; cat "$logs/dalmiro.log" >&2; exit 1; }
}
