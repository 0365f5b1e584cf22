#!/usr/bin/env bash
# Builds both trees and runs every test: the portable core natively under AddressSanitizer and
# UndefinedBehaviorSanitizer, then everything under Wine on a private X server.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

bash "$root/tools/setup.sh"

echo "== source checks"
bash "$root/tools/check-format"

echo "== native tree (sanitizers)"
bash "$root/tools/build.sh" native
ctest --test-dir "$root/build/native" --output-on-failure

echo "== fuzzing the parsers (clang, sanitizers)"
bash "$root/tools/fuzz.sh"

echo "== Windows tree (under Wine)"
bash "$root/tools/build.sh" windows
ctest --test-dir "$root/build/windows" --output-on-failure

# Last, so that a missing licence line never hides a failing test, and stands out at the end.
echo "== licence lines (tools/check-spdx)"
python3 "$root/tools/check-spdx"
