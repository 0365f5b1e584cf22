// SPDX-License-Identifier: GPL-2.0-or-later

#include "map/CDesktopWallpaper.h"
#include "map/UtilWallpaper.h"
#include "map/WeatherMap.h"

#include "app/Program.h"
#include "data/COptions.h"
#include "tests/support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <vector>

namespace
{
const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
const wchar_t kNoValue[] = L"<none>";

std::wstring DesktopValue(const wchar_t* name)
{
    wchar_t buffer[MAX_PATH + 1] = L"";
    DWORD bytes = sizeof buffer;
    if (RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, name, RRF_RT_REG_SZ, nullptr, buffer, &bytes) !=
        ERROR_SUCCESS)
    {
        return kNoValue;
    }
    return buffer;
}

void SetDesktopValue(const wchar_t* name, const std::wstring& value)
{
    if (value == kNoValue)
    {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, name);
        return;
    }
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, name, REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::wstring WallpaperInForce()
{
    wchar_t buffer[MAX_PATH + 1] = L"";
    EXPECT_TRUE(SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, buffer, 0));
    return buffer;
}

// The test prefix's desktop settings as they were, put back at the end.
class DesktopScope
{
public:
    DesktopScope()
        : m_style(DesktopValue(L"WallpaperStyle")), m_tile(DesktopValue(L"TileWallpaper")),
          m_path(WallpaperInForce())
    {
    }
    ~DesktopScope()
    {
        SetDesktopValue(L"WallpaperStyle", m_style);
        SetDesktopValue(L"TileWallpaper", m_tile);
        SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, m_path.data(), SPIF_UPDATEINIFILE);
    }
    DesktopScope(const DesktopScope&) = delete;
    DesktopScope& operator=(const DesktopScope&) = delete;

private:
    std::wstring m_style;
    std::wstring m_tile;
    std::wstring m_path;
};

// The plain files of a folder, sorted.
std::vector<std::wstring> FilesIn(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
    {
        if (!entry.is_directory())
        {
            names.push_back(entry.path().filename().wstring());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

void CreateEmptyFile(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
{
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring Lower(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

using testing::ElementsAre;

TEST(WallpaperInstallation, MapsTakeTurnsBetweenTwoNamesAndOnlyTheNewestStays)
{
    Gdiplus::Bitmap map(8, 6, PixelFormat24bppRGB);
    const DesktopScope desktop;
    TempFolder maps;
    CreateEmptyFile(maps.File(L"old.txt"));
    CreateEmptyFile(maps.File(L"system.bin"), FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryW(maps.File(L"Sub").c_str(), nullptr);

    ASSERT_TRUE(UtilGraphics::InstallWallpaper(map, maps.Path()));
    EXPECT_THAT(FilesIn(maps.Path()), ElementsAre(L"NB0.bmp", L"system.bin"));
    EXPECT_EQ(maps.File(L"NB0.bmp"), WallpaperInForce());
    EXPECT_EQ(L"2", DesktopValue(L"WallpaperStyle"));
    EXPECT_EQ(L"0", DesktopValue(L"TileWallpaper"));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(maps.File(L"Sub").c_str()));

    // The folder may come without its backslash.
    ASSERT_TRUE(UtilGraphics::InstallWallpaper(map, maps.Path().substr(0, maps.Path().size() - 1)));
    EXPECT_THAT(FilesIn(maps.Path()), ElementsAre(L"NB1.bmp", L"system.bin"));
    EXPECT_EQ(maps.File(L"NB1.bmp"), WallpaperInForce());
    ASSERT_TRUE(UtilGraphics::InstallWallpaper(map, maps.Path()));
    EXPECT_THAT(FilesIn(maps.Path()), ElementsAre(L"NB0.bmp", L"system.bin"));

    // A map that cannot be deleted (open elsewhere) stays, and the new ones take the next names.
    {
        const HANDLE held = CreateFileW(maps.File(L"NB0.bmp").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        for (const wchar_t* expected : {L"NB1.bmp", L"NB2.bmp", L"NB1.bmp"})
        {
            ASSERT_TRUE(UtilGraphics::InstallWallpaper(map, maps.Path()));
            EXPECT_THAT(FilesIn(maps.Path()), ElementsAre(L"NB0.bmp", expected, L"system.bin"));
            EXPECT_EQ(maps.File(expected), WallpaperInForce());
        }
        CloseHandle(held);
    }

    // A map that cannot be written is not installed, and the one in force keeps its file.
    Gdiplus::Bitmap unreadable(maps.File(L"missing.png").c_str());
    EXPECT_FALSE(UtilGraphics::InstallWallpaper(unreadable, maps.Path()));
    EXPECT_THAT(FilesIn(maps.Path()), ElementsAre(L"NB0.bmp", L"NB1.bmp", L"system.bin"));
    EXPECT_EQ(maps.File(L"NB1.bmp"), WallpaperInForce());

    // No folder, or no free name among the hundred: the wallpaper stays as it is.
    EXPECT_FALSE(UtilGraphics::InstallWallpaper(map, L""));
    TempFolder full;
    for (int n = 0; n <= 99; ++n)
    {
        CreateEmptyFile(full.File((L"NB" + std::to_wstring(n) + L".bmp").c_str()));
    }
    EXPECT_FALSE(UtilGraphics::InstallWallpaper(map, full.Path()));
    EXPECT_EQ(100u, FilesIn(full.Path()).size());
    EXPECT_EQ(maps.File(L"NB1.bmp"), WallpaperInForce());
}

TEST(WallpaperInstallation, TheDesktopMapIsATwentyFourBitBmpOfTheScreensSize)
{
    const DesktopScope desktop;
    TempFolder maps;
    Program::SetOptions(CPtr<COptions>(new COptions()));
    {
        const CPtr<Gdiplus::Bitmap> map =
            UtilGraphics::GenerateNimbrelWallpaper(Program::Options(), Program::SmallWeatherIcons());
        ASSERT_TRUE(UtilGraphics::InstallWallpaper(*map, maps.Path()));
    }
    Program::SetOptions(CPtr<COptions>());
    UtilGraphics::FreeSharedObjects();

    const HANDLE file = CreateFileW(maps.File(L"NB0.bmp").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    BITMAPFILEHEADER header{};
    BITMAPINFOHEADER info{};
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(file, &header, sizeof header, &read, nullptr));
    EXPECT_TRUE(ReadFile(file, &info, sizeof info, &read, nullptr));
    CloseHandle(file);
    EXPECT_EQ(0x4D42, header.bfType); // "BM"
    EXPECT_EQ(24, info.biBitCount);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), info.biWidth);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), std::abs(info.biHeight));
}

TEST(DesktopWallpaper, TheUsersWallpaperComesBackOnlyOverOurOwnMap)
{
    Gdiplus::Bitmap map(8, 6, PixelFormat24bppRGB);
    const DesktopScope desktop;
    TempFolder maps;
    TempFolder pictures;
    const std::wstring mine = pictures.File(L"Mine.bmp");
    const std::wstring chosenLater = pictures.File(L"Chosen later.bmp");
    Util::SetDesktopWallpaper(L"10", L"1", mine);
    EXPECT_EQ(mine, WallpaperInForce());

    CDesktopWallpaper remembered;
    remembered.Remember(maps.Path());
    EXPECT_EQ(mine, remembered.Path);
    EXPECT_EQ(L"10", remembered.Style);
    EXPECT_EQ(L"1", remembered.Tile);
    EXPECT_EQ(mine, WallpaperInForce());

    // The option was off from the start: nothing of ours to take away.
    EXPECT_FALSE(remembered.Restore(maps.Path()));
    EXPECT_EQ(mine, WallpaperInForce());

    // Stretched over one monitor or spanned over several, the user's own layout comes back.
    for (const bool spanned : {false, true})
    {
        ASSERT_TRUE(UtilGraphics::InstallWallpaper(map, maps.Path(), nullptr, spanned));
        EXPECT_EQ(spanned ? L"22" : L"2", DesktopValue(L"WallpaperStyle"));
        EXPECT_EQ(L"0", DesktopValue(L"TileWallpaper"));
        EXPECT_TRUE(remembered.Restore(maps.Path()));
        EXPECT_EQ(mine, WallpaperInForce());
        EXPECT_EQ(L"10", DesktopValue(L"WallpaperStyle"));
        EXPECT_EQ(L"1", DesktopValue(L"TileWallpaper"));
    }

    // With the option off, each batch restores again; a wallpaper the user picked meanwhile stays.
    ASSERT_TRUE(UtilGraphics::InstallWallpaper(map, maps.Path()));
    Util::SetDesktopWallpaper(L"6", L"0", chosenLater);
    for (int batch = 0; batch < 2; ++batch)
    {
        EXPECT_FALSE(remembered.Restore(maps.Path()));
        EXPECT_EQ(chosenLater, WallpaperInForce());
        EXPECT_EQ(L"6", DesktopValue(L"WallpaperStyle"));
    }

    // A user without a style value gets an empty one back.
    SetDesktopValue(L"WallpaperStyle", kNoValue);
    CDesktopWallpaper withoutStyle;
    withoutStyle.Remember(maps.Path());
    EXPECT_EQ(L"", withoutStyle.Style);
    ASSERT_TRUE(UtilGraphics::InstallWallpaper(map, maps.Path()));
    EXPECT_TRUE(withoutStyle.Restore(maps.Path()));
    EXPECT_EQ(L"", DesktopValue(L"WallpaperStyle"));
    EXPECT_EQ(chosenLater, WallpaperInForce());
}

TEST(DesktopWallpaper, AMapLeftByAnEarlierRunIsClearedAtStartUp)
{
    Gdiplus::Bitmap map(8, 6, PixelFormat24bppRGB);
    const DesktopScope desktop;
    TempFolder maps;
    CreateEmptyFile(maps.File(L"NB3.bmp"));
    CreateEmptyFile(maps.File(L"NB4.bmp"));
    CreateEmptyFile(maps.File(L"system.bin"), FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryW(maps.File(L"Sub").c_str(), nullptr);
    Util::SetDesktopWallpaper(L"2", L"0", Lower(maps.File(L"NB3.bmp")));

    CDesktopWallpaper remembered;
    remembered.Remember(maps.Path());
    EXPECT_EQ(L"", remembered.Path);
    EXPECT_EQ(L"", WallpaperInForce());
    EXPECT_EQ(L"2", remembered.Style);
    EXPECT_EQ(L"0", remembered.Tile);

    // Then the folder is emptied of files; folders and system files stay.
    Util::DeleteFilesInFolder(maps.Path());
    EXPECT_THAT(FilesIn(maps.Path()), ElementsAre(L"system.bin"));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(maps.File(L"Sub").c_str()));

    // At exit the desktop is left empty, not given the old map back.
    ASSERT_TRUE(UtilGraphics::InstallWallpaper(map, maps.Path()));
    EXPECT_TRUE(remembered.Restore(maps.Path()));
    EXPECT_EQ(L"", WallpaperInForce());
}

TEST(DesktopWallpaper, TheUsersWallpaperOutlivesARunThatCannotPutItBack)
{
    Gdiplus::Bitmap map(8, 6, PixelFormat24bppRGB);
    const DesktopScope desktop;
    TempFolder maps;
    TempFolder user;
    const std::wstring store = user.File(L"UserWallpaper.txt");
    // A name no single code page holds whole.
    const std::wstring mine = user.File(L"Mine \u00E9\u6F22.bmp");
    const std::wstring chosenLater = user.File(L"Chosen later.bmp");
    Util::SetDesktopWallpaper(L"10", L"1", mine);

    // A run stores the user's wallpaper before its first map; later maps never take its place.
    // Then the run is killed.
    {
        CDesktopWallpaper killed(store);
        killed.Remember(maps.Path());
        EXPECT_FALSE(Exists(store));
        for (int batch = 0; batch < 2; ++batch)
        {
            killed.Store(maps.Path());
            ASSERT_TRUE(UtilGraphics::InstallWallpaper(map, maps.Path()));
        }
    }
    // The next start puts exactly that back, and forgets it.
    CDesktopWallpaper next(store);
    next.Remember(maps.Path());
    EXPECT_EQ(mine, WallpaperInForce());
    EXPECT_EQ(L"10", DesktopValue(L"WallpaperStyle"));
    EXPECT_EQ(L"1", DesktopValue(L"TileWallpaper"));
    EXPECT_EQ(mine, next.Path);
    EXPECT_FALSE(Exists(store));

    // A wallpaper the user picks while the maps are shown is theirs from then on.
    next.Store(maps.Path());
    ASSERT_TRUE(UtilGraphics::InstallWallpaper(map, maps.Path()));
    Util::SetDesktopWallpaper(L"6", L"0", chosenLater);
    next.Store(maps.Path());
    ASSERT_TRUE(UtilGraphics::InstallWallpaper(map, maps.Path()));
    CDesktopWallpaper third(store);
    third.Remember(maps.Path());
    EXPECT_EQ(chosenLater, WallpaperInForce());
    EXPECT_EQ(L"6", DesktopValue(L"WallpaperStyle"));

    // A clean exit puts it back and forgets it too.
    third.Store(maps.Path());
    ASSERT_TRUE(UtilGraphics::InstallWallpaper(map, maps.Path()));
    EXPECT_TRUE(Exists(store));
    EXPECT_TRUE(third.Restore(maps.Path()));
    EXPECT_EQ(chosenLater, WallpaperInForce());
    EXPECT_FALSE(Exists(store));

    // A store that cannot be read is no wallpaper: the left-over map is cleared as without one.
    const HANDLE file = CreateFileW(store.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    WriteFile(file, "Path=\xFF\r\n", 9, &written, nullptr);
    CloseHandle(file);
    ASSERT_TRUE(UtilGraphics::InstallWallpaper(map, maps.Path()));
    CDesktopWallpaper damaged(store);
    damaged.Remember(maps.Path());
    EXPECT_EQ(L"", WallpaperInForce());
    EXPECT_FALSE(Exists(store));
}

TEST(DesktopWallpaper, TheProgramStoresTheUsersWallpaperBeforeItsFirstMap)
{
    const DesktopScope desktop;
    TempFolder pictures;
    const std::wstring mine = pictures.File(L"Mine.bmp");
    Util::SetDesktopWallpaper(L"10", L"1", mine);
    const std::wstring store = Program::PathUserWallpaper();
    DeleteFileW(store.c_str());

    Program::SetOptions(CPtr<COptions>(new COptions()));
    Program::UpdateWallpaper();
    EXPECT_TRUE(CDesktopWallpaper::IsMapFile(WallpaperInForce(), Program::PathWallpaper()));
    EXPECT_TRUE(Exists(store));
    Program::Options().UpdateWallpaper = false;
    Program::UpdateWallpaper();
    EXPECT_EQ(mine, WallpaperInForce());
    EXPECT_FALSE(Exists(store));
    Program::SetOptions(CPtr<COptions>());
    UtilGraphics::FreeSharedObjects();
    Util::DeleteFilesInFolder(Program::PathWallpaper());
}

// A map that looks like the one in force is not written again (a new file would take the other
// name); a changed map is, and so is the same map once the user has chosen another wallpaper.
TEST(DesktopWallpaper, OnlyAMapThatDiffersFromTheInstalledOneIsWritten)
{
    const DesktopScope desktop;
    Program::CleanWallpaperFolder();
    Program::SetOptions(CPtr<COptions>(new COptions()));
    Program::UpdateWallpaper();
    const std::wstring first = WallpaperInForce();
    ASSERT_TRUE(CDesktopWallpaper::IsMapFile(first, Program::PathWallpaper()));
    // The earth image is not kept once its stretch is.
    EXPECT_TRUE(Program::Options().Background.Image.IsNull());
    Program::UpdateWallpaper();
    EXPECT_EQ(first, WallpaperInForce());
    EXPECT_EQ(1u, FilesIn(Program::PathWallpaper()).size());

    Program::Options().DispalyCityName = !Program::Options().DispalyCityName;
    Program::UpdateWallpaper();
    const std::wstring second = WallpaperInForce();
    EXPECT_TRUE(CDesktopWallpaper::IsMapFile(second, Program::PathWallpaper()));
    EXPECT_NE(first, second);

    Util::SetDesktopWallpaper(L"0", L"0", L"");
    Program::UpdateWallpaper();
    EXPECT_TRUE(CDesktopWallpaper::IsMapFile(WallpaperInForce(), Program::PathWallpaper()));
    EXPECT_NE(second, WallpaperInForce());

    Program::Options().UpdateWallpaper = false;
    Program::UpdateWallpaper();
    Program::SetOptions(CPtr<COptions>());
    UtilGraphics::FreeSharedObjects();
    Util::DeleteFilesInFolder(Program::PathWallpaper());
}
} // namespace
