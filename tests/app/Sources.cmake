list(APPEND WINDOWS_TEST_SOURCES
    app/MapWindowTests.cpp
    app/ProgramTests.cpp
    app/TrayAndStartupTests.cpp
    app/UpdateCycleTests.cpp
)
