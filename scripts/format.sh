#!/usr/bin/env bash
# Formats Handfolio's C++ sources with .clang-format, or with --check lists
# the files that differ from it and fails.
#   scripts/format.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format || command -v clang-format-14 || true)
if [ -z "$format" ]; then
    echo "clang-format not found (Debian package clang-format)" >&2
    exit 2
fi
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h')
else
    mapfile -d '' files < <(find src tests bench tools -name '*.cpp' -print0 -o -name '*.h' -print0)
fi
if [ "${1:-}" = --check ]; then
    differ=()
    for file in "${files[@]}"; do
        "$format" --dry-run --Werror "$file" >/dev/null 2>&1 || differ+=("$file")
    done
    if [ "${#differ[@]}" -gt 0 ]; then
        printf '%s\n' "${differ[@]}" >&2
        echo "clang-format: ${#differ[@]} file(s) differ; scripts/format.sh formats them" >&2
        exit 1
    fi
    echo "clang-format: ${#files[@]} files as .clang-format writes them"
else
    "$format" -i "${files[@]}"
fi
