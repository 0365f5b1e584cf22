# SPDX-License-Identifier: GPL-2.0-or-later

list(APPEND PORTABLE_TEST_SOURCES
    weather/WeatherModelTests.cpp
    weather/RegExTests.cpp
    weather/MetarParserTests.cpp
    weather/NoaaDwmlTests.cpp
    weather/NoaaApiTests.cpp
    weather/WeatherAlertsTests.cpp
    weather/SunTests.cpp
    weather/DaylightShadingTests.cpp
    weather/UpdateScheduleTests.cpp
)
list(APPEND WINDOWS_TEST_SOURCES
    weather/WeatherIconsTests.cpp
    weather/TestHttpServer.cpp
    weather/HttpClientTests.cpp
    weather/HttpsDownloadTests.cpp
    weather/WeatherServiceNoaaTests.cpp
    weather/WeatherAlertsClientTests.cpp
    weather/ParserStackTests.cpp
)
# The table of published sun times is compiled into the sun tests, so that every tree and Wine
# read the same bytes and no path has to be found at run time.
set(nimbrel_sun_times_csv ${CMAKE_CURRENT_SOURCE_DIR}/weather/data/sun_times.csv)
file(READ ${nimbrel_sun_times_csv} nimbrel_sun_times_text)
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/generated/weather/SunTimesTable.inc
     CONTENT "R\"csv(@nimbrel_sun_times_text@)csv\"\n" @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${nimbrel_sun_times_csv})
set_source_files_properties(weather/SunTests.cpp PROPERTIES INCLUDE_DIRECTORIES ${CMAKE_CURRENT_BINARY_DIR}/generated)

# The weather service's JSON documents, compiled in the same way for the API tests.
foreach(document points forecast problem alerts-warning alerts-mixed alerts-none)
    set(nimbrel_api_json ${CMAKE_CURRENT_SOURCE_DIR}/weather/data/api/${document}.json)
    file(READ ${nimbrel_api_json} nimbrel_api_text)
    file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/generated/weather/api/${document}.inc
         CONTENT "R\"json(@nimbrel_api_text@)json\"\n" @ONLY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${nimbrel_api_json})
endforeach()
set_source_files_properties(weather/NoaaApiTests.cpp weather/WeatherServiceNoaaTests.cpp
                            weather/WeatherAlertsTests.cpp weather/WeatherAlertsClientTests.cpp
                            PROPERTIES INCLUDE_DIRECTORIES ${CMAKE_CURRENT_BINARY_DIR}/generated)
