#!/usr/bin/env bash
# Holds check-layering.sh to every way around it: a small project that keeps
# the layers passes, and each bad file added to it on its own fails the check
# and is named in its report.
set -uo pipefail
checker="$(cd "$(dirname "$0")" && pwd)/check-layering.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A small project that keeps the layers, with one include of each allowed kind.
good() {
  local tree=$1
  mkdir -p "$tree"/src/{platform/win32,ui,config,engine,app,updater/win32} "$tree"/tests/{support,win32,engine}
  printf '#include <string>\n' >"$tree/src/platform/text.h"
  printf '#include <windows.h>\n#include <shlwapi.h>\n#include "platform/text.h"\n' >"$tree/src/platform/win32/wide.h"
  printf '#include "../platform/text.h"\n' >"$tree/src/ui/form.h"
  printf '#include <ui/form.h>\n#include <stdio.h>\n' >"$tree/src/config/layout.h"
  printf '#include "config/layout.h"\n#include "ui/form.h"\n' >"$tree/src/engine/context.h"
  printf '#include "engine/context.h"\n' >"$tree/src/app/program.h"
  printf '#include "config/layout.h"\n' >"$tree/src/updater/choice.h"
  printf '#include <windows.h>\n#include "updater/choice.h"\n#include "platform/win32/wide.h"\n' \
    >"$tree/src/updater/win32/ks_update.cpp"
  printf '#include <windows.h>\n#include "app/program.h"\n#include "platform/win32/wide.h"\n' >"$tree/src/main.cpp"
  printf '#include <gtest/gtest.h>\n#include <unistd.h>\n#include "app/program.h"\n' >"$tree/tests/support/fixture.h"
  printf '#include "support/fixture.h"\n#include "updater/choice.h"\n' >"$tree/tests/engine/context_test.cpp"
  printf '#include <windows.h>\n#include "platform/win32/wide.h"\n' >"$tree/tests/win32/wide_test.cpp"
}

# Each hole: the bad file and what it holds.
cases=(
  'src/config/angle.h|#include <engine/context.h>'
  'src/config/relative.h|#include "../engine/context.h"'
  'src/ui/backslash.h|#include "..\app\program.h"'
  'src/ui/letter_case.h|#include "Engine/Context.h"'
  'src/engine/update.h|#include "updater/choice.h"'
  'src/config/update.h|#include "updater/choice.h"'
  'src/updater/engine.h|#include "engine/context.h"'
  'src/engine/shell.cpp|#include <shlwapi.h>'
  'src/app/shell.cpp|#include "ShellAPI.h"'
  'src/engine/win32/lock.cpp|#include <windows.h>'
  'src/engine/wide.cpp|#include "platform/win32/wide.h"'
  'src/platform/win32/up.cpp|#include "../../app/program.h"'
  'src/engine/fixture.h|#include "support/fixture.h"'
  'src/engine/posix.cpp|#include <unistd.h>'
  'src/engine/absolute.h|#include "ROOT/src/app/program.h"'
  'src/engine/macro.h|#include KS_HEADER'
  'src/tasks/list.h|#include <string>'
  'tests/engine/host_test.cpp|#include <windows.h>'
  'fuzz/wide_fuzz.cpp|#include "platform/win32/wide.h"'
  'bench/host_bench.cpp|#include <windows.h>'
)

status=0
good "$work/good"
if ! out=$(bash "$checker" "$work/good"); then
  echo "a project that keeps the layers fails the check:"
  echo "$out"
  status=1
fi
for entry in "${cases[@]}"; do
  file=${entry%%|*}
  tree="$work/$(echo "$file" | tr / _)"
  good "$tree"
  mkdir -p "$(dirname "$tree/$file")"
  printf '%s\n' "${entry#*|}" | sed "s|ROOT|$tree|" >"$tree/$file"
  out=$(bash "$checker" "$tree")
  if [ $? -eq 0 ] || ! grep -q -F "$file" <<<"$out"; then
    echo "not caught: $file: ${entry#*|}"
    echo "$out"
    status=1
  fi
done
[ $status -eq 0 ] && echo "the layering check catches all ${#cases[@]} ways around it"
exit $status
