list(APPEND PORTABLE_TEST_SOURCES
    weather/WeatherModelTests.cpp
)
list(APPEND WINDOWS_TEST_SOURCES
    weather/WeatherIconsTests.cpp
)
