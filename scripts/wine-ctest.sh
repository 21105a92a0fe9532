#!/usr/bin/env bash
# Runs the Windows build's tests under Wine on the current display, with one
# persistent wineserver for the whole run and a prefix kept in the build
# folder. Called by test.sh inside xvfb-run.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$KS_ROOT"

ks_wine_env "$KS_ROOT/build/windows/wineprefix"
trap ks_wine_stop EXIT
ks_wine_start
ctest --preset windows
