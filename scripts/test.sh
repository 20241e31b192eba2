#!/usr/bin/env bash
# Builds Handfolio and runs every test: the full build (widget tests run
# offscreen or under a private X server and D-Bus session), then the
# display-free core again under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
# Scans through SANE's own test backend run on their own: that backend can
# hang in its reader thread when a scan is ended at an unlucky moment (it
# cancels the thread asynchronously), so each case gets a short time limit
# and up to three tries.
sane='^(TestBackend/|ScanSession\.)'
dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir build --output-on-failure -j"$jobs" --timeout 300 -E "$sane"
dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir build --output-on-failure -j"$jobs" --timeout 60 --repeat until-pass:3 -R "$sane"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHANDFOLIO_CORE_ONLY=ON -DHANDFOLIO_SANITIZE=ON
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 600

# The Debian package: build it and check it with lintian, then install it into a
# clean Debian 12 root, run the installed program there, and purge it again.
bash scripts/package.sh
$([ "$(id -u)" -eq 0 ] || echo sudo) bash scripts/package-test.sh build-package/handfolio_*.deb
