list(APPEND PORTABLE_TEST_SOURCES
    map/MapRegionTests.cpp
    map/SunTests.cpp
)
list(APPEND WINDOWS_TEST_SOURCES
    map/DesktopWallpaperTests.cpp
    map/EarthBackgroundTests.cpp
    map/MapSnapshotTests.cpp
    map/WeatherMapTests.cpp
)
# The table of published sun times is compiled into the sun tests, so that every tree and Wine
# read the same bytes and no path has to be found at run time.
set(nimbrel_sun_times_csv ${CMAKE_CURRENT_SOURCE_DIR}/map/data/sun_times.csv)
file(READ ${nimbrel_sun_times_csv} nimbrel_sun_times_text)
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/generated/map/SunTimesTable.inc
     CONTENT "R\"csv(@nimbrel_sun_times_text@)csv\"\n" @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${nimbrel_sun_times_csv})
set_source_files_properties(map/SunTests.cpp PROPERTIES INCLUDE_DIRECTORIES ${CMAKE_CURRENT_BINARY_DIR}/generated)
