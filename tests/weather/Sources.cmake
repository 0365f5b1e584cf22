list(APPEND PORTABLE_TEST_SOURCES
    weather/WeatherModelTests.cpp
    weather/RegExTests.cpp
    weather/MetarParserTests.cpp
    weather/NoaaDwmlTests.cpp
)
list(APPEND WINDOWS_TEST_SOURCES
    weather/WeatherIconsTests.cpp
    weather/TestHttpServer.cpp
    weather/HttpClientTests.cpp
    weather/HttpsDownloadTests.cpp
    weather/WeatherServiceNoaaTests.cpp
    weather/ParserStackTests.cpp
)
