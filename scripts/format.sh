#!/usr/bin/env bash
# Formats the tree's C++ sources by .clang-format; with --check, changes nothing and fails when a
# file is not formatted (CI runs it that way).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
    clang-format --dry-run -Werror "${files[@]}"
    echo "format: ${#files[@]} files formatted"
else
    clang-format -i "${files[@]}"
fi
