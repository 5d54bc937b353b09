#!/usr/bin/env bash
# Fails when a C++ source differs from what clang-format makes of it with the repo's .clang-format.
# To mend: git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
files=()
while IFS= read -r -d '' file; do files+=("$file"); done < <(git ls-files -z -- '*.cpp' '*.h')
clang-format --dry-run --Werror "${files[@]}"
echo "format: ${#files[@]} files as clang-format writes them"
