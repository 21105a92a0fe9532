#!/usr/bin/env bash
# clang-format check over every source file, and clang-tidy over the portable
# sources and host tests (needs the host build's compile_commands.json), with
# the headers of the project's own src/ and tests/ wherever the clone lives.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$KS_ROOT"

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
else  # a copy of the sources without their history
  mapfile -t files < <(find src tests tools bench fuzz -name '*.cpp' -o -name '*.h' | LC_ALL=C sort)
fi
clang-format --dry-run --Werror "${files[@]}"

mapfile -t core < <(printf '%s\n' "${files[@]}" | grep -E '^(src|tests)/.*\.cpp$' | grep -v -E '/(win32|e2e)/|^src/main\.cpp$')
log=build/clang-tidy.log
mkdir -p build
if ! ks_clang_tidy "$KS_ROOT" build/host "${core[@]}" >"$log" 2>&1; then
  grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated' "$log"
  echo "clang-tidy found problems"
  exit 1
fi
echo "format and lint ok"
