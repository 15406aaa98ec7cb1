#!/bin/sh
# Every C++ file as .clang-format says (Debian 12's clang-format 14).
#   sh scripts/check-format.sh        fails listing what differs
#   sh scripts/check-format.sh -i     reformats in place
set -eu
cd "$(dirname "$0")/.."
if [ "${1:-}" = "-i" ]; then
    git ls-files '*.cpp' '*.h' | xargs clang-format -i
else
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
fi
