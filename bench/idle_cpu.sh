#!/usr/bin/env bash
# CPU used by the running program while it only polls, over a given time (default 30 s):
# once connected to the simulated meter, once with no meter attached.
# Usage: bench/idle_cpu.sh [seconds] (needs xvfb-run; build first)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exe=${QX_BUILD_DIR:-$root/build}/qx736
secs=${1:-30}
hz=$(getconf CLK_TCK)

measure() {
  local label=$1; shift
  xvfb-run -a -s "-screen 0 1600x1000x24" "$exe" "$@" >/dev/null 2>&1 &
  local runner=$!
  local pid=""
  for _ in $(seq 50); do pid=$(pgrep -n -x qx736 || true); [ -n "$pid" ] && break; sleep 0.1; done
  sleep 3 # past start-up
  local t0; t0=$(awk '{print $14+$15}' /proc/"$pid"/stat)
  sleep "$secs"
  local t1; t1=$(awk '{print $14+$15}' /proc/"$pid"/stat)
  kill "$pid" 2>/dev/null || true; wait "$runner" 2>/dev/null || true
  awk -v a="$t0" -v b="$t1" -v hz="$hz" -v s="$secs" -v l="$label" \
    'BEGIN { printf "%-28s %.2f %% CPU over %d s\n", l, 100*(b-a)/hz/s, s }'
}

measure "connected (simulated meter)" --simulate
measure "no meter attached" 
