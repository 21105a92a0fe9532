#!/usr/bin/env bash
# Runs Windows benches of this tree beside the same benches built against an
# earlier commit (the base), alternating round by round, in one run under
# Wine on a virtual display:
#   bash bench/win32/before_after.sh base-commit rounds bench...
# The base's sources are exported to a folder beside the build; this tree's
# bench sources are built in both, so both sides measure the same thing.
# lock_latency drives the kstrv7.exe beside it: each side runs its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=../../scripts/common.sh
source "$root/scripts/common.sh"
base=$1
rounds=$2
shift 2
work="$root/build/before-after"

if [ "${KS_ON_DISPLAY:-}" != 1 ]; then
  rm -rf "$work" && mkdir -p "$work"
  git -C "$root" archive "$base" | tar -x -C "$work"
  cp "$root/bench/win32/bench_program.h" "$work/bench/win32/"
  for bench in "$@"; do
    for folder in bench bench/win32; do
      if [ -f "$root/$folder/$bench.cpp" ]; then cp "$root/$folder/$bench.cpp" "$work/$folder/"; fi
    done
  done
  (cd "$work" && cmake --preset windows >/dev/null && cmake --build --preset windows --target kstrv7 "$@" >/dev/null)
  (cd "$root" && cmake --build --preset windows --target kstrv7 "$@" >/dev/null)
  KS_ON_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash "$0" "$base" "$rounds" "$@"
fi

ks_wine_env "$root/build/windows/bench-prefix"
ks_wine_start
trap ks_wine_stop EXIT
echo "before: $base; after: this tree"
for ((r = 1; r <= rounds; ++r)); do
  for bench in "$@"; do
    for side in before after; do
      bin="$root/build/windows/bin"
      if [ "$side" = before ]; then bin="$work/build/windows/bin"; fi
      echo "== $bench, $side, round $r ($(uptime | sed 's/.*load/load/'))"
      timeout 600 "$WINE" "$bin/$bench.exe" </dev/null 2>/dev/null || echo "exit code $?"
    done
  done
done
