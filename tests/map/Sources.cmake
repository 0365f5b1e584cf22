# SPDX-License-Identifier: GPL-2.0-or-later

list(APPEND PORTABLE_TEST_SOURCES
    map/MapLayoutTests.cpp
)
list(APPEND WINDOWS_TEST_SOURCES
    map/DesktopWallpaperTests.cpp
    map/MapSnapshotTests.cpp
    map/WeatherMapTests.cpp
)
