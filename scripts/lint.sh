#!/usr/bin/env bash
# clang-format check over every source file, and clang-tidy over the portable
# sources and host tests (needs the host build's compile_commands.json).
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$KS_ROOT"

mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
clang-format --dry-run --Werror "${files[@]}"

mapfile -t core < <(printf '%s\n' "${files[@]}" | grep -E '^(src|tests)/.*\.cpp$' | grep -v -E '/(win32|e2e)/|^src/main\.cpp$')
log=build/clang-tidy.log
# One file per clang-tidy run, two at a time.
if ! printf '%s\n' "${core[@]}" | xargs -P 2 -n 4 clang-tidy -p build/host --quiet >"$log" 2>&1; then
  grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated' "$log"
  echo "clang-tidy found problems"
  exit 1
fi
echo "format and lint ok"
