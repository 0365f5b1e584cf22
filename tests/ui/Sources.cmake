list(APPEND WINDOWS_TEST_SOURCES
    ui/CityListControlsTests.cpp
    ui/DialogTests.cpp
    ui/LocalWeatherTests.cpp
    ui/OptionsDialogTests.cpp
    ui/ResourceTests.cpp
)
