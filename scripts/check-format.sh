#!/usr/bin/env bash
# Checks that the lines changed since BASE (default: where this branch left
# main) follow .clang-format; prints the changes clang-format would make and
# fails when there are any. Lines nobody touched are left as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
base="${1:-$(git merge-base HEAD main 2>/dev/null || git rev-list --max-parents=0 HEAD)}"
scripts/install-deps.sh clang-format
# Files added or changed in place; a moved file keeps the form it had.
mapfile -t files < <(git diff --name-only -M --diff-filter=AM "$base" -- '*.cpp' '*.h' '*.c' ':!tests/layering/violations')
[ ${#files[@]} -gt 0 ] || { echo "format: no changed sources"; exit 0; }
out=$(git clang-format --diff "$base" -- "${files[@]}" 2>&1) || true
case "$out" in
  ""|*"no modified files to format"*|*"clang-format did not modify any files"*) echo "format: changed lines follow .clang-format" ;;
  *) echo "$out"; echo "format: the lines above do not follow .clang-format" >&2; exit 1 ;;
esac
