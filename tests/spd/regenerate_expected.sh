#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes tests/spd/expected/<image>.txt for every shipped SPD image (tests/data/spd and
# machines/data/spd) from the given zentrimo binary: exit code, `--spd` output, messages; and
# tests/spd/expected_sysfs/<tree>.txt for `--spd` alone on each fixture tree in tests/data/sysfs.
# Read every changed file before committing it: an expectation is only as right as its review.
#   tests/spd/regenerate_expected.sh build/src/zentrimo
set -euo pipefail
zentrimo="$(realpath "${1:?usage: regenerate_expected.sh path/to/zentrimo}")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
rm -f "$here"/expected/*.txt "$here"/expected/*.actual
for dir in "$here/../data/spd" "$here/../../machines/data/spd"; do
  for image in "$dir"/*.bin "$dir"/*.txt; do
    [ -e "$image" ] || continue
    name="$(basename "$image")"
    set +e
    (cd "$dir" && "$zentrimo" --spd "$name" >"$scratch/out" 2>"$scratch/err")
    code=$?
    set -e
    { printf 'exit: %s\n' "$code"; cat "$scratch/out"
      if [ -s "$scratch/err" ]; then printf 'stderr:\n'; cat "$scratch/err"; fi
    } > "$here/expected/${name%.*}.txt"
  done
done
for tree in "$here"/../data/sysfs/*/; do
  name="$(basename "$tree")"
  cmake -DZENTRIMO="$zentrimo" -DROOT="$(realpath "$tree")" -DREGENERATE=1 \
    -DEXPECTED="$here/expected_sysfs/$name.txt" -P "$here/compare_sysfs.cmake"
done
