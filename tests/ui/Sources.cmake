list(APPEND WINDOWS_TEST_SOURCES
    ui/DialogTests.cpp
    ui/ResourceTests.cpp
)
