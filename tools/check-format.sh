#!/usr/bin/env bash
# Fails when a tracked C++ source differs from what clang-format makes of it (the rules
# are in .clang-format); lists the files. `tools/check-format.sh --fix` formats them.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
clang-format --dry-run --Werror "${files[@]}"
