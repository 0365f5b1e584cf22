#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds both trees and runs every test: the portable core natively under AddressSanitizer and
# UndefinedBehaviorSanitizer, then everything under Wine on a private X server.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

bash "$root/tools/setup.sh"

echo "== source checks"
bash "$root/tools/check-format"
python3 "$root/tools/check-spdx"

echo "== native tree (sanitizers)"
bash "$root/tools/build.sh" native
ctest --test-dir "$root/build/native" --output-on-failure

echo "== fuzzing the parsers (clang, sanitizers)"
bash "$root/tools/fuzz.sh"

echo "== Windows tree (under Wine)"
bash "$root/tools/build.sh" windows
ctest --test-dir "$root/build/windows" --output-on-failure
