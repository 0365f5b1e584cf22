list(APPEND PORTABLE_TEST_SOURCES
    weather/WeatherModelTests.cpp
)
