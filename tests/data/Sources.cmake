# SPDX-License-Identifier: GPL-2.0-or-later

list(APPEND PORTABLE_TEST_SOURCES
    data/CityRecordTests.cpp
    data/CitySearchTests.cpp
    data/MapRegionTests.cpp
    data/TrayTipTests.cpp
    data/WeatherCacheTests.cpp
)
list(APPEND WINDOWS_TEST_SOURCES
    data/EarthBackgroundTests.cpp
    data/OptionsTests.cpp
)
