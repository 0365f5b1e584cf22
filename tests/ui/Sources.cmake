# SPDX-License-Identifier: GPL-2.0-or-later

list(APPEND WINDOWS_TEST_SOURCES
    ui/CityListControlsTests.cpp
    ui/DialogTests.cpp
    ui/LocalWeatherTests.cpp
    ui/OptionsDialogTests.cpp
    ui/ResourceTests.cpp
    ui/TrayIconTests.cpp
    ui/VersionTests.cpp
)
# The version as the top project() states it, past the generated header the program reads.
set_source_files_properties(ui/VersionTests.cpp PROPERTIES COMPILE_DEFINITIONS
                            "NIMBREL_PROJECT_VERSION=\"${PROJECT_VERSION}\"")
