#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan and UBSan) and runs each
# from its seeds in tests/fuzz/corpus, growing a working corpus in
# build-fuzz/corpus. Any finding fails the run; its input is kept in
# build-fuzz/findings/<target>/ and belongs in tests/fuzz/regressions/<target>/
# once the fault is mended, so that every build replays it.
#
#   fuzz.sh [--seconds N | --runs N] [--timeout S] [TARGET...]
#
# Targets: album picture preview users proxy_text propfind exif scan_stream (all by
# default); 15 seconds each by default. An input that takes longer than
# --timeout seconds (25 by default) is a finding too: the editor would hang.
set -euo pipefail
cd "$(dirname "$0")/.."

limit=(-max_total_time=15)
timeout=25
targets=()
while [ $# -gt 0 ]; do
    case $1 in
        --seconds) limit=(-max_total_time="$2"); shift 2 ;;
        --runs) limit=(-runs="$2"); shift 2 ;;
        --timeout) timeout=$2; shift 2 ;;
        -h|--help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
        *) targets+=("$1"); shift ;;
    esac
done
[ ${#targets[@]} -gt 0 ] || targets=(album picture preview users proxy_text propfind exif scan_stream)

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DHANDFOLIO_CORE_ONLY=ON -DHANDFOLIO_FUZZ=ON -DHANDFOLIO_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

failed=0
for target in "${targets[@]}"; do
    corpus=build-fuzz/corpus/$target findings=build-fuzz/findings/$target log=build-fuzz/logs/$target.log
    mkdir -p "$corpus" "$findings" "$(dirname "$log")"
    if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0 \
        "build-fuzz/tests/fuzz/fuzz_$target" "${limit[@]}" -timeout="$timeout" -print_final_stats=1 \
        -artifact_prefix="$findings/" "$corpus" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
        result=clean
    else
        result="FINDING (see $log and $findings/)"
        failed=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    secs=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | awk '{print $5}' | tail -1)
    printf '%-11s %10s executions %6s s %6s inputs in corpus  %s\n' "$target" "${runs:-?}" "${secs:-?}" \
        "$(find "$corpus" -type f | wc -l)" "$result"
done
exit $failed
