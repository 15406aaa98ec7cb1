#!/bin/sh
# Installs what the tests need, builds kvizor and runs every test.
#   sh scripts/test.sh            build/ (release with debug info), all tests
# Stages: the formatting of every C++ file, a normal build with every test (unit, GUI on the offscreen platform,
# end-to-end under a private Xvfb and PulseAudio), the same tests built with
# ASan and UBSan, and a minute of fuzzing. KVIZOR_SKIP_SANITIZERS=1 or
# KVIZOR_SKIP_FUZZ=1 leave a stage out.
set -eu
cd "$(dirname "$0")/.."

sh scripts/install-deps.sh --test

jobs=$(nproc 2>/dev/null || echo 2)
# Every tool of the end-to-end tests is installed now: one that is missing or
# does not start fails its test instead of skipping it.
export KVIZOR_E2E_STRICT=1

echo "== formatting"
sh scripts/check-format.sh

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

if [ -z "${KVIZOR_SKIP_FUZZ:-}" ]; then
    echo "== fuzzing the round-file reader for ${KVIZOR_FUZZ_SECONDS:-60} s"
    KVIZOR_FUZZ_BUILD="$(pwd)/build-fuzz" sh scripts/fuzz.sh "${KVIZOR_FUZZ_SECONDS:-60}"
fi
echo "== all tests passed"
