// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TempFolder
{
public:
    TempFolder()
    {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        static int counter = 0;
        m_path = std::wstring(base) + L"NimbrelTest" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                 std::to_wstring(++counter) + L"\\";
        std::filesystem::remove_all(m_path);
        CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::wstring File(const wchar_t* name) const { return m_path + name; }

private:
    std::wstring m_path;
};
