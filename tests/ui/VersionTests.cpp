// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/Program.h"
#include "platform/CHttpClient.h"
#include "ui/CFormAbout.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing::Contains;
using testing::StartsWith;

namespace
{
// The version of the top project(), handed to this test by the build itself rather than through
// the generated header the program reads it from.
std::wstring ProjectVersion()
{
    const std::string version = NIMBREL_PROJECT_VERSION;
    return std::wstring(version.begin(), version.end());
}

std::vector<std::wstring> g_aboutTexts;

BOOL CALLBACK FindAboutBox(HWND window, LPARAM found)
{
    wchar_t className[16] = L"";
    wchar_t caption[16] = L"";
    GetClassNameW(window, className, 16);
    GetWindowTextW(window, caption, 16);
    if (std::wstring(className) == L"#32770" && std::wstring(caption) == L"About")
    {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectText(HWND child, LPARAM)
{
    wchar_t text[256] = L"";
    GetWindowTextW(child, text, 256);
    g_aboutTexts.emplace_back(text);
    return TRUE;
}

// Runs inside the about box's modal loop: reads what it shows, then closes it.
void CALLBACK ReadAboutBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    HWND about = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindAboutBox, reinterpret_cast<LPARAM>(&about));
    if (about != nullptr)
    {
        EnumChildWindows(about, CollectText, 0);
        PostMessageW(about, WM_COMMAND, IDOK, 0);
    }
}
} // namespace

TEST(VersionInOnePlace, AboutBoxAndUserAgentNameTheProjectVersion)
{
    g_aboutTexts.clear();
    CFormAbout about(Program::WindowHost());
    SetTimer(nullptr, 0, 10, ReadAboutBox);
    ASSERT_EQ(IDOK, about.DoModal(nullptr));
    EXPECT_THAT(g_aboutTexts, Contains(L"Nimbrel " + ProjectVersion()));
    EXPECT_THAT(g_aboutTexts, Contains(std::wstring(L"Licensed under the GNU GPL, version 2 or later")));

    EXPECT_THAT(std::wstring(CHttpClient::UserAgent()), StartsWith(L"Nimbrel/" + ProjectVersion() + L" ("));
}
