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
