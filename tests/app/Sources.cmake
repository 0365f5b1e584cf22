# SPDX-License-Identifier: GPL-2.0-or-later

list(APPEND WINDOWS_TEST_SOURCES
    app/AlertMonitorTests.cpp
    app/MapWindowTests.cpp
    app/ProgramFileTests.cpp
    app/ProgramTests.cpp
    app/TrayAndStartupTests.cpp
    app/UpdateCycleTests.cpp
)
