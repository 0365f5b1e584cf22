list(APPEND WINDOWS_TEST_SOURCES
    map/DesktopWallpaperTests.cpp
    map/MapSnapshotTests.cpp
    map/WeatherMapTests.cpp
)
