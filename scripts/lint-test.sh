#!/usr/bin/env bash
# Holds the lint's header filter to the clone's own root: a small project in a
# folder under /src/ whose source includes a header of its src/, one of its
# tests/ and one of a neighbouring folder, each with a warning. The first two
# must be reported, the neighbour's never.
set -euo pipefail
source "$(dirname "$0")/common.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/src/kestrove"
mkdir -p "$root"/{src,tests/support} "$work/src/other/src"
cp "$KS_ROOT/.clang-tidy" "$root/"
for header in "$root/src/inside.h" "$root/tests/support/fixture.h" "$work/src/other/src/neighbour.h"; do
  printf 'inline int* %s() { return 0; }\n' "$(basename "$header" .h)" >"$header"
done
printf '#include "inside.h"\n#include "support/fixture.h"\n#include "neighbour.h"\n' >"$root/src/unit.cpp"
cat >"$root/compile_commands.json" <<JSON
[{"directory": "$root", "file": "$root/src/unit.cpp",
  "command": "clang++ -std=c++20 -I$root/tests -I$work/src/other/src -c $root/src/unit.cpp"}]
JSON

out=$(cd "$root" && ks_clang_tidy "$root" "$root" src/unit.cpp 2>&1) && status=0 || status=$?
problems=()
[ "$status" -ne 0 ] || problems+=("the warnings did not fail the lint")
grep -q 'src/inside.h:1:.*nullptr' <<<"$out" || problems+=("a header of src/ was not checked")
grep -q 'tests/support/fixture.h:1:.*nullptr' <<<"$out" || problems+=("a header of tests/ was not checked")
! grep -q 'neighbour.h' <<<"$out" || problems+=("a header outside the project was checked")
if [ ${#problems[@]} -gt 0 ]; then
  printf '%s\n' "${problems[@]}" "$out"
  exit 1
fi
echo "the lint checks the headers of its own clone, and only those, under /src/"
