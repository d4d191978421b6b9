#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes tests/golden/<profile>.txt for every shipped profile from the given zentrimo binary.
# Read every changed file before committing it: a golden file is only as right as its review.
#   tests/golden/regenerate.sh build/src/zentrimo
set -euo pipefail
zentrimo="$(realpath "${1:?usage: regenerate.sh path/to/zentrimo}")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
settings="$(mktemp -d)"
trap 'rm -rf "$settings"' EXIT
for profile in "$here"/../../machines/*.json; do
  name="$(basename "$profile" .json)"
  set +e
  "$zentrimo" --report --machine "$name" --settings "$settings/$name.ini" \
    >"$settings/out" 2>"$settings/err"
  code=$?
  set -e
  { printf 'exit: %s\n' "$code"; cat "$settings/out"
    if [ -s "$settings/err" ]; then printf 'stderr:\n'; cat "$settings/err"; fi
  } > "$here/$name.txt"
done
