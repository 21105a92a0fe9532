#!/usr/bin/env bash
# Runs Windows benches under Wine + Xvfb in a throwaway prefix beside the
# build (build/windows/bench-prefix), each `rounds` times:
#   xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
#     bash bench/win32/run_under_wine.sh [rounds] bench...
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=../../scripts/common.sh
source "$root/scripts/common.sh"
rounds=${1:-3}
shift
ks_wine_env "$root/build/windows/bench-prefix"
ks_wine_start
trap ks_wine_stop EXIT
for ((r = 1; r <= rounds; ++r)); do
  for bench in "$@"; do
    echo "== $bench (round $r; $(uptime | sed 's/.*load/load/'))"
    timeout 600 "$WINE" "$root/build/windows/bin/$bench.exe" </dev/null || echo "exit code $?"
  done
done
