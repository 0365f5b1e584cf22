list(APPEND WINDOWS_TEST_SOURCES
    app/ProgramTests.cpp
    app/UpdateCycleTests.cpp
)
