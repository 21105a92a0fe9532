#!/usr/bin/env bash
# Builds kstrv7.exe and runs it under Wine until it is stopped (Ctrl+C):
# on the current display, or on a virtual Xvfb display when there is none.
# Installs missing Debian packages first.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$KS_ROOT"

ks_ensure_packages "${KS_PACKAGES[@]}"
cmake --preset windows >/dev/null
cmake --build --preset windows --target kstrv7

if [ -z "${DISPLAY:-}" ]; then
  echo "No display: running on a virtual one (Xvfb)."
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash "$0" "$@"
fi

ks_wine_env "$KS_ROOT/build/windows/wineprefix"
trap ks_wine_stop EXIT
ks_wine_start
"$WINE" build/windows/bin/kstrv7.exe "$@"
