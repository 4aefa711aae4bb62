#!/usr/bin/env bash
# Checks that every C++ file under version control is laid out as .clang-format says; lists the
# files that are not and exits 1. With --fix, rewrites them in place instead.
# Usage: scripts/check-format.sh [--fix]
set -euo pipefail
cd "$(dirname "$0")/.."
clang_format=${CLANG_FORMAT:-clang-format-14}
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [[ "${1:-}" == "--fix" ]]; then
  "$clang_format" -i "${files[@]}"
  exit 0
fi
# One run over every file; each misplaced line comes back as "FILE:LINE:COL: error: ...".
if ! report=$("$clang_format" --dry-run -Werror "${files[@]}" 2>&1); then
  printf 'check-format.sh: not laid out as .clang-format says (scripts/check-format.sh --fix):\n' >&2
  grep -o '^[^:]*:[0-9]*' <<<"$report" | sed 's/^/  /' >&2
  exit 1
fi
echo "check-format.sh: ${#files[@]} files laid out as .clang-format says"
