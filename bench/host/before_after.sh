#!/usr/bin/env bash
# Runs a host bench of this tree beside the same bench source built from an
# earlier commit (the base), both as Release builds, alternating, in one run:
#   bash bench/host/before_after.sh [base-commit] [bench-name] [rounds]
# The base's sources are exported to a temporary folder; this tree's bench
# source is built in both, so both sides measure the same thing.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
base=${1:-HEAD~1}
bench=${2:-watch_tick_cost}
rounds=${3:-3}
work=${KS_BENCH_WORK:-/tmp/ks-bench-$(id -u)}
# GCC 12 at -O3 stops on a -Wrestrict false positive inside the standard
# library; it stays a warning here.
flags=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DKS_SANITIZE=OFF -DCMAKE_CXX_FLAGS=-Wno-error=restrict)

rm -rf "$work/base" && mkdir -p "$work/base"
git -C "$root" archive "$base" | tar -x -C "$work/base"
cp "$root/bench/host/$bench.cpp" "$work/base/bench/host/$bench.cpp"
cmake -S "$work/base" -B "$work/base/build" "${flags[@]}" >/dev/null
cmake -S "$root" -B "$work/this" "${flags[@]}" >/dev/null
cmake --build "$work/base/build" --target "$bench" >/dev/null
cmake --build "$work/this" --target "$bench" >/dev/null

uptime
for ((r = 1; r <= rounds; ++r)); do
  echo "== before ($base)"
  "$work/base/build/bench/$bench"
  echo "== after (this tree)"
  "$work/this/bench/$bench"
done
