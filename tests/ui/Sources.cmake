list(APPEND WINDOWS_TEST_SOURCES
    ui/DialogTests.cpp
    ui/LocalWeatherTests.cpp
    ui/OptionsDialogTests.cpp
    ui/ResourceTests.cpp
)
