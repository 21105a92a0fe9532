#!/usr/bin/env bash
# Runs bench/win32/lock_latency.cpp under Wine on a virtual display and, during its
# thirty idle seconds, measures the running kstrv7.exe from the Linux side
# (Wine reports no times or memory of another process): processor time used
# and private memory. Run by hand after a Windows build:
#   bash bench/idle_under_wine.sh
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"
cd "$KS_ROOT"
ks_wine_env "$KS_ROOT/build/windows/wineprefix"

measure() {
  local out=$1
  while ! grep -q "idle for 30 s" "$out" 2>/dev/null; do sleep 0.2; done
  sleep 2
  local pid
  pid=$(pgrep -f 'kstrv7\.exe' | head -n 1)
  local hz
  hz=$(getconf CLK_TCK)
  local before
  before=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  sleep 20
  local after
  after=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  echo "idle (Linux side): $(( (after - before) * 1000 / hz )) ms of processor time in 20000 ms"
  awk '/^(Private_Clean|Private_Dirty):/ {kb += $2} END {printf "private memory (Linux side): %.1f MiB\n", kb / 1024}' \
    "/proc/$pid/smaps_rollup"
}

run() {
  trap ks_wine_stop EXIT
  ks_wine_start
  local out
  out=$(mktemp)
  timeout 600 "$WINE" build/windows/bin/lock_latency.exe >"$out" 2>/dev/null &
  measure "$out"
  wait
  grep -v "idle for 30 s" "$out"
}

if [ "${1:-}" = --on-display ]; then
  run
else
  xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash "$0" --on-display
fi
