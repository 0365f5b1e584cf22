list(APPEND PORTABLE_TEST_SOURCES
    data/CityRecordTests.cpp
)
list(APPEND WINDOWS_TEST_SOURCES
    data/OptionsTests.cpp
)
list(APPEND WINDOWS_TEST_SOURCES
    data/CityListControlsTests.cpp
)
