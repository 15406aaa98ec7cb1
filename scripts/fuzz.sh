#!/bin/sh
# Builds the round-file fuzzer with clang and runs it for a while.
#
#   scripts/fuzz.sh [seconds]       (default 60)
#
# The build goes to $KVIZOR_FUZZ_BUILD (default: a kvizor-fuzz folder in
# $TMPDIR or /tmp), away from the ordinary build. The fuzzer starts from a
# copy of the round files in tests/data/rounds and examples, so the
# repository is never written to. Exits non-zero when the fuzzer finds a
# crash; the input that caused it is kept in the build folder.
set -eu

seconds=${1:-60}
case $seconds in
    ''|*[!0-9]*) echo "usage: $0 [seconds]" >&2; exit 2 ;;
esac

root=$(cd "$(dirname "$0")/.." && pwd)
build=${KVIZOR_FUZZ_BUILD:-${TMPDIR:-/tmp}/kvizor-fuzz}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" \
    -DKVIZOR_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzz_fieldreader -j"$(nproc 2>/dev/null || echo 2)"

corpus=$(mktemp -d "${TMPDIR:-/tmp}/kvizor-corpus.XXXXXX")
trap 'rm -rf "$corpus"' EXIT INT TERM
cp "$root"/tests/data/rounds/*.txt "$root"/examples/*.txt "$corpus"/

# Inputs a little longer than the 64 KiB field cap, so the cap is reached too.
"$build/bin/fuzz_fieldreader" \
    -max_total_time="$seconds" \
    -max_len=140000 \
    -artifact_prefix="$build/" \
    -print_final_stats=1 \
    "$corpus"
