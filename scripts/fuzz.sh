#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan + UBSan) and runs each one
# for a bounded time: fuzz/<name>_fuzz.cpp, starting from the seeds in
# fuzz/seeds/<name>/, with the dictionary fuzz/<name>.dict and the options in
# fuzz/<name>.options when present.
# New inputs go to build/fuzz/corpus/<name>/, crashes to build/fuzz/artifacts/.
# Usage: fuzz.sh [seconds per target, default 30]. Exits non-zero on a find.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$KS_ROOT"

seconds="${1:-30}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

mkdir -p build/fuzz/artifacts
for target in build/fuzz/fuzz/*_fuzz; do
  name=$(basename "$target" _fuzz)
  corpus="build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  extra=()
  [ -d "fuzz/seeds/$name" ] && extra+=("fuzz/seeds/$name")
  [ -f "fuzz/$name.dict" ] && extra=("-dict=fuzz/$name.dict" "${extra[@]}")
  # shellcheck disable=SC2207
  [ -f "fuzz/$name.options" ] && extra=($(cat "fuzz/$name.options") "${extra[@]}")
  echo "== fuzz $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix=build/fuzz/artifacts/ "$corpus" "${extra[@]}"
done
