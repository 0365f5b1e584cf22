#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Configures and builds one tree: "native" (portable core under the sanitizers) or "windows"
# (Nimbrel.exe and its tests, cross-compiled). Output goes to build/<tree>.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tree=${1:?usage: build.sh native|windows}

case "$tree" in
native)
    cmake -S "$root" -B "$root/build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
    ;;
windows)
    cmake -S "$root" -B "$root/build/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
    ;;
*)
    echo "usage: build.sh native|windows" >&2
    exit 2
    ;;
esac
cmake --build "$root/build/$tree"
