#!/usr/bin/env bash
# Runs clang-tidy with the checks in .clang-tidy over Handfolio's own sources
# (src/, tests/, bench/, tools/) and fails on any finding. The program builds
# with g++, so clang-tidy reads the flags from a compile database; Qt's moc
# and uic output must exist first, as the sources include it.
#
# Usage: scripts/tidy.sh [BUILD_DIR]
# Without BUILD_DIR it reuses build/ when that holds a compile database, and
# otherwise configures build-tidy/ and only runs moc and uic there.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

tidy=$(command -v run-clang-tidy || command -v run-clang-tidy-14 || true)
if [ -z "$tidy" ]; then
    echo "run-clang-tidy not found (Debian package clang-tidy)" >&2
    exit 2
fi

dir=${1:-}
if [ -z "$dir" ]; then
    if [ -f build/compile_commands.json ]; then
        dir=build
    else
        dir=build-tidy
    fi
fi

if [ "$dir" = build ] && [ -f build/compile_commands.json ]; then
    # A full build brings the generated headers up to date; with ccache and
    # an earlier build it is quick.
    cmake --build "$dir" -j"$jobs"
else
    # One global target runs moc and uic for every target, without first
    # compiling the libraries each target links to.
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
        -DCMAKE_GLOBAL_AUTOGEN_TARGET=ON \
        -DCMAKE_AUTOGEN_ORIGIN_DEPENDS=OFF >/dev/null
    cmake --build "$dir" --target autogen -j"$jobs"
fi

# Our own translation units only: moc output and other generated files live
# under the build folders and are left out.
files="^$root/(src|tests|bench|tools)/.*\\.cpp\$"

log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
# run-clang-tidy always asks for colour; the log is read by grep, so it goes.
"$tidy" -quiet -j"$jobs" -p "$dir" "$files" 2>&1 | sed 's/\x1b\[[0-9;]*m//g' >"$log" || status=$?
# The per-file summary lines are noise; the findings and their context stay.
grep -Ev '^(Running clang-tidy|clang-tidy(-[0-9]+)? --use-color|[0-9]+ warnings?( and [0-9]+ errors?)? generated\.|Suppressed [0-9]+ warnings|Use -header-filter|Error while processing|Found compiler error)' "$log" || true
# A finding in a header shows once for each file that includes it.
count=$(grep -E '(warning|error): .*\[[a-z0-9.,-]+\]$' "$log" | sort -u | wc -l || true)
if [ "$status" -ne 0 ] || [ "$count" -ne 0 ]; then
    echo "clang-tidy: $count finding(s)" >&2
    exit 1
fi
echo "clang-tidy: no findings"
