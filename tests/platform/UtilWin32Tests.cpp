// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/ArgumentException.h"
#include "core/Util.h"
#include "platform/GdiPlus.h"
#include "platform/UtilFile.h"
#include "platform/UtilWin32.h"

#include "tests/support/ExpectThrowAt.h"
#include "tests/support/TempFolder.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windowsx.h>

namespace
{
// Writes through the real writers into a file and returns what landed on disk.
template <typename Write> std::string Written(Write write)
{
    TempFolder folder;
    const std::wstring path = folder.File(L"values.txt");
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, file);
    write(file);
    CloseHandle(file);
    return UtilFile::ReadFileAscii(path);
}

TEST(UtilWriters, WriteValuesInTheirFileForms)
{
    const std::string text = Written(
        [](HANDLE file)
        {
            Util::WriteToFileAscii(file, "key=");
            Util::WriteToFileAscii(file, true);
            Util::WriteToFileAscii(file, std::string(";"));
            Util::WriteToFileAscii(file, -42);
            Util::WriteToFileAscii(file, std::wstring(L";"));
            Util::WriteToFileAscii(file, 6.0);
            Util::WriteToFileAscii(file, ";");
            Util::WriteToFileAscii(file, ArgbColor::FromRgb(255, 0, 0));
            Util::WriteToFileAscii(file, "\r\n");
        });
    EXPECT_EQ("key=true;-42;6.000;255,0,0\r\n", text);
}

TEST(UtilWriters, FailedWriteThrowsTheOverloadsLocation)
{
    TempFolder folder;
    const std::wstring path = folder.File(L"readonly.txt");
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_THROW_AT(Util::WriteToFileAscii(file, "x"), ApplicationException, "Util::WriteToFileAscii (52)");
    EXPECT_THROW_AT(Util::WriteToFileAscii(file, 5), ApplicationException, "Util::WriteToFileAscii (52)");
    EXPECT_THROW_AT(Util::WriteToFileAscii(file, std::string("x")), ApplicationException,
                    "Util::WriteToFileAscii (57)");
    EXPECT_THROW_AT(Util::WriteToFileAscii(file, std::wstring(L"x")), ApplicationException,
                    "Util::WriteToFileAscii (62)");
    CloseHandle(file);
}

// The files hold 8-bit text in the ANSI code page; the test wrapper pins Wine's locale so that
// every machine reads them alike, whatever the developer's own locale.
TEST(UtilText, AnsiCodePageIsWindows1252)
{
    EXPECT_EQ(1252u, GetACP());
    EXPECT_EQ(L"Z\u00FCrich \u00E9t\u00E9 \u20AC", Util::ToWide("Z\xFCrich \xE9t\xE9 \x80"));
    EXPECT_EQ("\xE9", Util::ToNarrow(L"\u00E9"));
}

TEST(UtilFonts, ParseAndWriteRoundTrip)
{
    CPtr<Gdiplus::Font> font = Util::ParseFont("Arial,8.000,1");
    EXPECT_FLOAT_EQ(8.0f, font->GetSize());
    EXPECT_EQ(Gdiplus::FontStyleBold, font->GetStyle());
    EXPECT_EQ(Gdiplus::UnitPoint, font->GetUnit());

    const std::string text = Written([&](HANDLE file) { Util::WriteToFileAscii(file, *font); });
    ASSERT_GT(text.size(), std::string(",8.000,1").size());
    EXPECT_EQ(",8.000,1", text.substr(text.size() - 8));

    CPtr<Gdiplus::Font> again = Util::ParseFont(text.c_str());
    EXPECT_FLOAT_EQ(8.0f, again->GetSize());
    EXPECT_EQ(Gdiplus::FontStyleBold, again->GetStyle());
}

TEST(UtilFonts, UnknownFamilyFallsBackAndBadTextThrows)
{
    std::wstring chosen;
    CPtr<Gdiplus::Font> font = Util::ParseFont("No Such Family Anywhere,10.000,2", &chosen);
    EXPECT_EQ(Gdiplus::Ok, font->GetLastStatus());
    EXPECT_EQ(Gdiplus::FontStyleItalic, font->GetStyle());
    EXPECT_EQ(L"No Such Family Anywhere", chosen); // kept for the font's return
    Util::ParseFont("Liberation Sans,10.000,2", &chosen);
    EXPECT_EQ(L"", chosen);

    // Without the generic sans-serif family (missing, or never made by the GDI+ wrapper), the
    // first installed family stands in.
    const std::unique_ptr<Gdiplus::FontFamily> family = Util::UsableFontFamily(L"No Such Family", nullptr);
    ASSERT_TRUE(family);
    EXPECT_TRUE(family->IsAvailable());

    EXPECT_THROW_AT(Util::ParseFont("Arial,8"), ApplicationException, "Util::ParseFont (220)");
    EXPECT_THROW_AT(Util::ParseFont("Arial,x,0"), ArgumentException, "Util::ParseDouble (341)");
    EXPECT_THROW_AT(Util::ParseFont("Arial,-3.000,0"), ApplicationException, "Util::ParseFont (231)");
}

TEST(UtilFolders, EnsureDirectoryExistsCreatesOneLevel)
{
    TempFolder folder;
    const std::wstring child = folder.File(L"child");
    Util::EnsureDirectoryExists(child);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(child.c_str()));
    EXPECT_NO_THROW(Util::EnsureDirectoryExists(child));
    EXPECT_THROW_AT(Util::EnsureDirectoryExists(folder.File(L"missing\\grandchild")), ApplicationException,
                    "Util::EnsureDirectoryExists (246)");
}

TEST(UtilStartup, RunValueIsAddedAndRemoved)
{
    const wchar_t* name = L"NimbrelStartupTest";
    const wchar_t* runKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    ASSERT_EQ(ERROR_SUCCESS, Util::AddStartupItem(name, L"C:\\Program Files\\Nimbrel\\Nimbrel.exe"));
    wchar_t value[MAX_PATH] = L"";
    DWORD size = sizeof value;
    ASSERT_EQ(ERROR_SUCCESS,
              RegGetValueW(HKEY_CURRENT_USER, runKey, name, RRF_RT_REG_SZ, nullptr, value, &size));
    EXPECT_STREQ(L"C:\\Program Files\\Nimbrel\\Nimbrel.exe", value);

    Util::RemoveStartupItem(name);
    size = sizeof value;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegGetValueW(HKEY_CURRENT_USER, runKey, name, RRF_RT_REG_SZ, nullptr, value, &size));
    EXPECT_NO_THROW(Util::RemoveStartupItem(name)); // already gone
}

TEST(UtilShell, OpeningSomethingMissingThrows)
{
    TempFolder folder;
    EXPECT_THROW_AT(Util::OpenUrl(nullptr, folder.File(L"no such document.nimbrel")), ApplicationException,
                    "Util::OpenUrl (29)");
}

TEST(UtilLists, ComboBoxItemsKeepTheirData)
{
    const HWND combo = CreateWindowExW(0, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_POPUP, 0, 0, 100, 200,
                                       nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, combo);
    Util::AddToComboBox(combo, L"Los Angeles", 17);
    Util::AddToComboBox(combo, {{L"Paris", 3}, {L"Tokyo", -1}});
    ASSERT_EQ(3, ComboBox_GetCount(combo));
    EXPECT_EQ(17, static_cast<int>(ComboBox_GetItemData(combo, 0)));
    EXPECT_EQ(-1, static_cast<int>(ComboBox_GetItemData(combo, 2)));
    DestroyWindow(combo);
    EXPECT_THROW_AT(Util::AddToComboBox(combo, L"gone", 1), ApplicationException, "Util::AddToComboBox (35)");
}
} // namespace
