#!/usr/bin/env bash
# Builds both builds and runs every test: the host unit tests (ASan + UBSan),
# the Release build of the core and the benches, the format and lint checks,
# the fuzz targets for a bounded time, the run command's smoke mode, then the
# Windows backend and end-to-end tests under Wine on a virtual display.
# Installs missing Debian packages first. Exits non-zero when anything fails.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$KS_ROOT"

ks_ensure_packages "${KS_PACKAGES[@]}"

echo "== host build and unit tests"
cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host -j2

# The optimiser sees more than the Debug build does (and warns on more): the
# core and the benches, built as they are measured, warnings as errors.
echo "== host Release build (core and benches)"
cmake --preset host-release >/dev/null
cmake --build --preset host-release

echo "== format and lint"
bash scripts/lint.sh

echo "== fuzz targets, 30 s each"
bash scripts/fuzz.sh 30

echo "== windows build"
cmake --preset windows >/dev/null
cmake --build --preset windows

echo "== the run command, briefly"
bash scripts/run.sh --smoke

echo "== windows tests under Wine"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash scripts/wine-ctest.sh
