#!/usr/bin/env bash
# CPU used by the running program while it only polls, over a given time (default 30 s):
# once connected to the simulated meter, once with no meter attached.
# Usage: bench/idle_cpu.sh [seconds] (needs xvfb-run; build first)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exe=${QX_BUILD_DIR:-$root/build}/qx736
secs=${1:-30}
hz=$(getconf CLK_TCK)
work=$(mktemp -d)
runner=""
pid=""

# Whatever this script started goes with it, however it ends: the program it measured and
# the xvfb-run (with its X server) around it. Nothing else is touched.
stop() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  if [ -n "$runner" ]; then
    for _ in $(seq 50); do kill -0 "$runner" 2>/dev/null || break; sleep 0.1; done
    kill "$runner" 2>/dev/null || true
    wait "$runner" 2>/dev/null || true
  fi
  pid=""
  runner=""
}
trap 'stop; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

cpu_ticks() { awk '{print $14+$15}' /proc/"$1"/stat; }

measure() {
  local label=$1; shift
  local pidfile=$work/pid
  rm -f "$pidfile"
  # The program writes down its own process id before it starts: the one measured is the
  # one launched here, not whichever qx736 happens to be running.
  xvfb-run -a -s "-screen 0 1600x1000x24" \
    sh -c 'echo $$ >"$0"; exec "$@"' "$pidfile" "$exe" "$@" >/dev/null 2>&1 &
  runner=$!
  for _ in $(seq 100); do [ -s "$pidfile" ] && break; sleep 0.1; done
  if [ ! -s "$pidfile" ]; then echo "$label: the program did not start" >&2; stop; return 1; fi
  pid=$(cat "$pidfile")
  sleep 3 # past start-up
  if ! kill -0 "$pid" 2>/dev/null; then echo "$label: the program ended early" >&2; stop; return 1; fi
  local t0; t0=$(cpu_ticks "$pid")
  sleep "$secs"
  local t1; t1=$(cpu_ticks "$pid")
  stop
  awk -v a="$t0" -v b="$t1" -v hz="$hz" -v s="$secs" -v l="$label" \
    'BEGIN { printf "%-28s %.2f %% CPU over %d s\n", l, 100*(b-a)/hz/s, s }'
}

measure "connected (simulated meter)" --simulate
measure "no meter attached"
