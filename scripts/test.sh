#!/bin/sh
# Installs what the tests need, builds kvizor and runs every test.
#   sh scripts/test.sh            build/ (release with debug info), all tests
# Set KVIZOR_SKIP_SANITIZERS=1 to leave out the ASan/UBSan stage.
set -eu
cd "$(dirname "$0")/.."

sh scripts/install-deps.sh --test

jobs=$(nproc 2>/dev/null || echo 2)

echo "== build and test"
cmake -S . -B build -DBUILD_TESTING=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

if [ -z "${KVIZOR_SKIP_SANITIZERS:-}" ]; then
    echo "== AddressSanitizer + UndefinedBehaviorSanitizer build and test"
    cmake -S . -B build-asan -DBUILD_TESTING=ON -DKVIZOR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
    cmake --build build-asan -j"$jobs"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS="suppressions=$(pwd)/tests/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir build-asan --output-on-failure -j"$jobs" -E '^e2e_sound$'
fi
