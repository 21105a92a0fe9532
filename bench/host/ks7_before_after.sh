#!/usr/bin/env bash
# .ks7 throughput of this tree beside an earlier commit's, in one run:
# builds ks7_throughput in Release from this tree (the host-release preset)
# and from the earlier commit (exported under build/bench-before/, built with
# this tree's ks7_throughput.cpp, so both answer the same child commands),
# then runs this build's ks7_throughput with the earlier one as the other
# build: cp, both encryptions and both decryptions alternate, each run a
# fresh process.
# Usage: ks7_before_after.sh [earlier commit] [MiB = 1024] [folder = /dev/shm] [rounds = 8]
# The earlier commit defaults to the last one whose pipeline buffers did not
# follow the file offset's alignment.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
before_ref="${1:-329674f115466da651650d1550f67903a0ab55ae}"
shift || true

cmake --preset host-release >/dev/null
cmake --build --preset host-release --target ks7_throughput >/dev/null

before="$root/build/bench-before"
rm -rf "$before"
mkdir -p "$before/tree"
git -C "$root" archive "$before_ref" | tar -x -C "$before/tree"
cp bench/host/ks7_throughput.cpp "$before/tree/bench/host/"
# An earlier tree may predate the Release build's fix for GCC 12's -Wrestrict
# false positive in the standard library.
cmake -S "$before/tree" -B "$before/tree/build/host-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS=-Wno-restrict >/dev/null
cmake --build "$before/tree/build/host-release" --target ks7_throughput >/dev/null

echo "this build: $(git -C "$root" rev-parse --short HEAD) (and changes in the tree, if any);" \
  "other build: $(git -C "$root" rev-parse --short "$before_ref")"
"$root/build/host-release/bench/ks7_throughput" "${1:-1024}" "${2:-/dev/shm}" "${3:-8}" \
  "$before/tree/build/host-release/bench/ks7_throughput"
