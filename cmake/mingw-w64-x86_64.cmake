# SPDX-License-Identifier: GPL-2.0-or-later
# Cross-compiles the Windows program with Debian's MinGW-w64 (posix threads flavour).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(NIMBREL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${NIMBREL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NIMBREL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${NIMBREL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${NIMBREL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every executable runs under Wine through our wrapper (a private prefix, quiet, crash-fast).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
