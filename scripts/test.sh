#!/usr/bin/env bash
# Builds Handfolio and runs every test: the format and clang-tidy checks,
# the full suite (widget tests run offscreen or under a private X server and
# D-Bus session), the same suite
# again built with AddressSanitizer and UBSan, each fuzz target for a short
# while, and last the Debian package, installed, started and purged in a
# clean Debian 12 root.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

# Scans through SANE's own test backend run on their own, with a short time
# limit each: the backend runs in the scan helper, which the program ends when
# it hangs, so a scan test that does not finish is a fault, not bad luck.
sane='^(TestBackend/|ScanSession\.)'
# The Wayland capture test is set up by scripts/setup.sh and may not skip.
export HANDFOLIO_NEED_WAYLAND=1
display() { dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" "$@"; }
others() { display ctest --test-dir "$1" --output-on-failure -j"$jobs" --timeout "$2" -E "$sane"; }
scans() { display ctest --test-dir "$1" --output-on-failure -j"$jobs" --timeout 120 -R "$sane"; }

# Style first, as it is quick: the tree as .clang-format writes it.
bash scripts/format.sh --check

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
cmake --build build -j"$jobs"
others build 300
scans build
# No clang-tidy finding (.clang-tidy), read from the same build's flags.
bash scripts/tidy.sh build

# Leaks are reported except the named ones inside system libraries
# (tests/sanitizers/lsan.supp); any other report fails its test.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHANDFOLIO_CORE_ONLY=OFF -DHANDFOLIO_SANITIZE=ON -DHANDFOLIO_BENCH=OFF
cmake --build build-asan -j"$jobs"
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1
ASAN_OPTIONS=detect_leaks=1 others build-asan 900
ASAN_OPTIONS=detect_leaks=1 scans build-asan

bash scripts/fuzz.sh --seconds 15

# The Debian package: build it and check it with lintian, then install it into a
# clean Debian 12 root, run the installed program there, and purge it again.
bash scripts/package.sh
$([ "$(id -u)" -eq 0 ] || echo sudo) bash scripts/package-test.sh build-package/handfolio_*.deb
