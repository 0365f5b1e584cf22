// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <string>

// Where the program's own files are, worked out once at start-up by the program and handed to
// the code that reads and writes them.
struct AppPaths
{
    std::wstring ProductFolderName; // the per-user folder's name, also the log-on Run value's
    std::wstring Executable;        // the program file, as the log-on Run value starts it
    std::wstring CityRecords;       // the station catalogue in the program folder
    std::wstring Options;           // Options.txt in the per-user folder
    std::wstring Cities;            // Cities.txt in the per-user folder
};
