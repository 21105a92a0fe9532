#!/usr/bin/env bash
# Runs bench/win32/lock_latency.cpp under Wine on a virtual display and, during its
# thirty idle seconds, measures the running kstrv7.exe from the Linux side
# (Wine reports no times or memory of another process): processor time used
# and private memory. Run by hand after a Windows build:
#   bash bench/idle_under_wine.sh
# KS_BENCH_BIN=<folder> runs the lock_latency.exe and kstrv7.exe of another
# build (bench/win32/before_after.sh leaves an earlier one in
# build/before-after/build/windows/bin).
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
  # Nanoseconds on the processor, every thread of the process together
  # (the clock ticks of /proc/<pid>/stat count only in 10 ms steps).
  local before
  before=$(cat /proc/"$pid"/task/*/schedstat | awk '{ns += $1} END {print ns}')
  sleep 20
  local after
  after=$(cat /proc/"$pid"/task/*/schedstat | awk '{ns += $1} END {print ns}')
  echo "idle (Linux side): $(( (after - before) / 1000000 )) ms of processor time in 20000 ms" \
    "($(awk -v ns=$((after - before)) 'BEGIN {printf "%.3f", ns / 20e9 * 100}') %)"
  awk '/^(Private_Clean|Private_Dirty):/ {kb += $2} END {printf "private memory (Linux side): %.1f MiB\n", kb / 1024}' \
    "/proc/$pid/smaps_rollup"
}

run() {
  trap ks_wine_stop EXIT
  ks_wine_start
  local out
  out=$(mktemp)
  timeout 600 "$WINE" "${KS_BENCH_BIN:-build/windows/bin}/lock_latency.exe" >"$out" 2>/dev/null &
  measure "$out"
  wait
  grep -v "idle for 30 s" "$out"
}

if [ "${1:-}" = --on-display ]; then
  run
else
  xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash "$0" --on-display
fi
