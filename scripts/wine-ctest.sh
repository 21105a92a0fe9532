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
status=0
ctest --preset windows || status=$?

# The scenarios save screenshots as BMP; people look at them as PNG, also
# after a failed run.
for shot in build/windows/screenshots/*.bmp; do
  [ -e "$shot" ] || continue
  convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
done
exit $status
