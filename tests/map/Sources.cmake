list(APPEND PORTABLE_TEST_SOURCES
    map/MapRegionTests.cpp
    map/SunTests.cpp
)
list(APPEND WINDOWS_TEST_SOURCES
    map/EarthBackgroundTests.cpp
)
