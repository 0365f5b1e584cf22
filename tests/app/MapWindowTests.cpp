// SPDX-License-Identifier: GPL-2.0-or-later
// The map window inside this test program, where its pixels can be read directly.
#include "app/CFormEarth.h"
#include "app/CommandTable.h"
#include "app/Program.h"
#include "data/COptions.h"
#include "data/EarthBackground.h"
#include "map/WeatherMap.h"
#include "res/Resource.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace
{
// A BMP whose western half is one colour and eastern half another.
void WriteHalves(const std::wstring& path, Gdiplus::Color west, Gdiplus::Color east)
{
    Gdiplus::Bitmap bitmap(72, 36, PixelFormat24bppRGB);
    for (int y = 0; y < 36; ++y)
    {
        for (int x = 0; x < 72; ++x)
        {
            bitmap.SetPixel(x, y, x < 36 ? west : east);
        }
    }
    const CLSID encoder = UtilGraphics::GetEncoderBmp();
    ASSERT_EQ(Gdiplus::Ok, bitmap.Save(path.c_str(), &encoder, nullptr));
}

// The colour (0xRRGGBB) the window shows at a fraction of its client width and height, read back
// from its device context.
DWORD ShownAt(HWND window, double x, double y)
{
    RECT client{};
    GetClientRect(window, &client);
    const HDC dc = GetDC(window);
    const COLORREF color =
        GetPixel(dc, static_cast<int>(x * (client.right - 1)), static_cast<int>(y * (client.bottom - 1)));
    ReleaseDC(window, dc);
    return (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
}

::testing::AssertionResult Near(DWORD expected, DWORD actual)
{
    for (int shift = 0; shift < 24; shift += 8)
    {
        if (std::abs(static_cast<int>((expected >> shift) & 0xFF) -
                     static_cast<int>((actual >> shift) & 0xFF)) > 8)
        {
            return ::testing::AssertionFailure() << std::hex << "expected " << expected << ", got " << actual;
        }
    }
    return ::testing::AssertionSuccess();
}

// Dispatches the thread's messages (all but a quit) until done, for at most ten seconds.
bool PumpUntil(const std::function<bool()>& done)
{
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (!done())
    {
        if (GetTickCount64() > deadline)
        {
            return false;
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, WM_QUIT - 1, PM_REMOVE) ||
               PeekMessageW(&message, nullptr, WM_QUIT + 1, 0xFFFFFFFF, PM_REMOVE))
        {
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
    return true;
}

bool IsComposedAtClientSize(CFormEarthView& view)
{
    RECT client{};
    GetClientRect(view.Hwnd(), &client);
    const SIZE composed = view.ComposedSize();
    return composed.cx == client.right && composed.cy == client.bottom;
}

TEST(MapWindow, ViewFillsTheFramePaintsFromItsMapAndComposesOnceTheSizeSettles)
{
    TempFolder folder;
    const EarthBackground::ScopedFolder scope(folder.Path());
    WriteHalves(folder.File(L"Halves.bmp"), Gdiplus::Color(0xC0, 0, 0), Gdiplus::Color(0, 0, 0xC0));
    WriteHalves(folder.File(L"Green.bmp"), Gdiplus::Color(0, 0xA0, 0), Gdiplus::Color(0, 0xA0, 0));
    const auto useBackground = [](const wchar_t* name)
    {
        CPtr<COptions> options(new COptions());
        EXPECT_TRUE(options->Background.SetByName(name));
        options->Cities = new std::vector<City>();
        options->HomeCity.Reset();
        Program::SetOptions(std::move(options));
    };
    useBackground(L"Halves.bmp");

    CFormEarth frame;
    frame.Create();
    ASSERT_TRUE(frame.IsWindow());
    EXPECT_FALSE(IsWindowVisible(frame.Hwnd())) << "the frame is created hidden";
    const HWND view = frame.View().Hwnd();
    ASSERT_NE(nullptr, view);
    ShowWindow(frame.Hwnd(), SW_SHOWNORMAL);

    SIZE previous{0, 0};
    for (const SIZE size : {SIZE{420, 300}, SIZE{760, 460}})
    {
        SCOPED_TRACE(size.cx);
        SetWindowPos(frame.Hwnd(), nullptr, 300, 150, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        RECT client{};
        GetClientRect(frame.Hwnd(), &client);
        RECT placed{};
        GetWindowRect(view, &placed);
        MapWindowPoints(nullptr, frame.Hwnd(), reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_TRUE(EqualRect(&client, &placed)) << "the view does not fill the frame";

        // The default region runs from 145° west to 165° east: the meridian between the halves
        // lies at 145/310 of the width, wherever that is.
        const auto showsTheHalves = [&]
        {
            for (const double y : {0.1, 0.9})
            {
                EXPECT_TRUE(Near(0xC00000, ShownAt(view, 0.02, y)));
                EXPECT_TRUE(Near(0xC00000, ShownAt(view, 0.42, y)));
                EXPECT_TRUE(Near(0x0000C0, ShownAt(view, 0.52, y)));
                EXPECT_TRUE(Near(0x0000C0, ShownAt(view, 0.98, y)));
            }
        };
        // A paint right after the change of size shows the last map stretched, and composes nothing.
        UpdateWindow(view);
        const SIZE composed = frame.View().ComposedSize();
        EXPECT_EQ(previous.cx, composed.cx);
        EXPECT_EQ(previous.cy, composed.cy);
        if (previous.cx != 0)
        {
            showsTheHalves();
        }
        // Once the size has settled the map is composed at it.
        ASSERT_TRUE(PumpUntil([&] { return IsComposedAtClientSize(frame.View()); }));
        UpdateWindow(view);
        showsTheHalves();
        previous = frame.View().ComposedSize();
    }

    // No paint message is waited for: the new picture is there as soon as the refresh returns.
    ASSERT_TRUE(Program::Options().Background.SetByName(L"Green.bmp"));
    frame.View().RefreshWeather();
    EXPECT_TRUE(Near(0x00A000, ShownAt(view, 0.02, 0.5)));
    EXPECT_TRUE(Near(0x00A000, ShownAt(view, 0.98, 0.5)));
    // A drawing that fails leaves the previous picture.
    Program::SetOptions(CPtr<COptions>());
    frame.View().RefreshWeather();
    EXPECT_TRUE(Near(0x00A000, ShownAt(view, 0.5, 0.5)));

    SendMessageW(frame.Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(frame.IsWindow());
    EXPECT_FALSE(IsWindowVisible(frame.Hwnd()));
    // Hidden, the window keeps no map; about to be shown again, it has one before its first paint.
    EXPECT_EQ(0, frame.View().ComposedSize().cx);
    useBackground(L"Green.bmp");
    frame.View().PrepareToShow();
    EXPECT_TRUE(IsComposedAtClientSize(frame.View()));
    ShowWindow(frame.Hwnd(), SW_SHOW);
    UpdateWindow(view);
    EXPECT_TRUE(Near(0x00A000, ShownAt(view, 0.5, 0.5)));
    // Only the exit command ends the program: destroying the frame must not end the loop.
    frame.DestroyWindow();
    MSG quit;
    EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    UtilGraphics::FreeSharedObjects();
}

// Every command id of a menu resource, through its popups.
void CollectCommands(HMENU menu, std::set<WORD>& ids)
{
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
    {
        if (const HMENU popup = GetSubMenu(menu, i))
        {
            CollectCommands(popup, ids);
        }
        else if (const UINT id = GetMenuItemID(menu, i); id != 0 && id != static_cast<UINT>(-1))
        {
            ids.insert(static_cast<WORD>(id));
        }
    }
}

TEST(CommandTable, EachWindowRunsExactlyTheCommandsOfItsMenu)
{
    const std::set<WORD> candidates{ID_OPTIONS,  ID_SHOW_EARTH, ID_LOCAL_WEATHER, ID_WEB_PAGE,
                                    ID_FEEDBACK, ID_APP_ABOUT,  ID_APP_EXIT,      ID_LOCAL_WEATHER_CLOSE};
    for (const auto& [menu, resource] : {std::make_pair(CommandTable::TrayMenu, IDR_TRAY_MENU),
                                         std::make_pair(CommandTable::MapMenu, IDR_EARTH_MENU)})
    {
        const HMENU loaded = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource));
        ASSERT_NE(nullptr, loaded);
        std::set<WORD> shown;
        CollectCommands(loaded, shown);
        DestroyMenu(loaded);
        for (WORD id : candidates)
        {
            EXPECT_EQ(shown.count(id) == 1, CommandTable::Offers(menu, id)) << menu << " " << id;
        }
        for (WORD id : shown)
        {
            EXPECT_TRUE(CommandTable::Offers(menu, id)) << menu << " " << id;
        }
    }
    EXPECT_FALSE(CommandTable::Run(CommandTable::TrayMenu, ID_FEEDBACK, nullptr));
}
} // namespace
