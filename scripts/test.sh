#!/bin/sh
# Installs what is missing, builds and runs every test: the normal build's tests, the same tests
# built with AddressSanitizer and UndefinedBehaviorSanitizer, and a brief run of every fuzz
# target on its corpus. With --quick, only the normal build's tests.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh

echo "== tests"
scripts/build.sh build
(cd build && ctest --output-on-failure --timeout 600 -j "$(nproc)")
[ "${1:-}" = "--quick" ] && exit 0

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
scripts/build.sh build-asan -DCRAVENT_SANITIZE=ON
(cd build-asan &&
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS=suppressions="$PWD/../tests/sanitizer-suppressions.txt":print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure --timeout 600 -j "$(nproc)")

echo "== fuzz targets, briefly"
fuzz/run.sh 15
