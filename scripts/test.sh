#!/usr/bin/env bash
# Builds both builds and runs every test: the host unit tests (ASan + UBSan),
# 45 seconds of fuzzing the .ks7 reader, the format and lint checks, then the
# Windows backend and end-to-end tests
# under Wine on a virtual display. Installs missing Debian packages first.
# Exits non-zero when anything fails.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$KS_ROOT"

ks_ensure_packages "${KS_PACKAGES[@]}"

echo "== host build and unit tests"
cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host -j2

echo "== fuzzing the .ks7 reader (45 s)"
cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz
mkdir -p build/fuzz/corpus
build/fuzz/ks7_reader_fuzz -max_total_time=45 -max_len=200000 -artifact_prefix=build/fuzz/ \
  build/fuzz/corpus 2>&1 | tail -n 3

echo "== format and lint"
bash scripts/lint.sh

echo "== windows build"
cmake --preset windows >/dev/null
cmake --build --preset windows

echo "== windows tests under Wine"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash scripts/wine-ctest.sh
