#!/usr/bin/env bash
# Builds Handfolio and runs every test: the full build (widget tests run
# offscreen or under a private X server and D-Bus session), then the
# display-free core again under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir build --output-on-failure -j"$jobs" --timeout 300

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHANDFOLIO_CORE_ONLY=ON -DHANDFOLIO_SANITIZE=ON
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 600
