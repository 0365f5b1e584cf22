// SPDX-License-Identifier: GPL-2.0-or-later
// Opens the options dialog on each of its pages, the city selection, the display-name dialog and
// the about box, and saves what the screen shows of each as a PNG file, for reviewing the dialogs'
// layout.
//   NimbrelDialogShots.exe OUTPUT_FOLDER
// It runs beside a copy of the program folder's data (catalogue, icons, backgrounds), which it
// finds as the program does, next to itself.
#include "app/Program.h"
#include "data/COptions.h"
#include "data/Data.h"
#include "data/EarthBackground.h"
#include "platform/GdiPlus.h"
#include "res/Resource.h"
#include "ui/CFormAbout.h"
#include "ui/CFormEditCity.h"
#include "ui/CFormOptions.h"
#include "ui/CFormSelectCity.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <string>
#include <vector>

namespace
{
std::wstring g_output;
int g_failures = 0;

// Runs the thread's messages for a while, so that every window has painted.
void Pump(DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (GetTickCount64() < end)
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(20);
    }
}

bool PngEncoder(CLSID& clsid)
{
    UINT count = 0;
    UINT size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<BYTE> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (size == 0 || Gdiplus::GetImageEncoders(count, size, encoders) != Gdiplus::Ok)
    {
        return false;
    }
    for (UINT i = 0; i < count; ++i)
    {
        if (std::wstring(encoders[i].MimeType) == L"image/png")
        {
            clsid = encoders[i].Clsid;
            return true;
        }
    }
    return false;
}

// What the screen shows inside the window's rectangle.
void Capture(HWND window, const wchar_t* name)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const HDC screen = GetDC(nullptr);
    const HDC dc = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(dc, previous);
    CLSID png{};
    bool saved = false;
    {
        Gdiplus::Bitmap image(bitmap, nullptr);
        const std::wstring path = g_output + name + L".png";
        saved = PngEncoder(png) && image.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
    }
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    std::fwprintf(stdout, L"%ls %ls.png (%dx%d)\n", saved ? L"saved" : L"FAILED", name, width, height);
    g_failures += saved ? 0 : 1;
}

void Press(HWND page, int button)
{
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, button)));
}

HWND PageHolding(HWND dialog, int controlId)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    {
        if (GetDlgItem(child, controlId) != nullptr)
        {
            return child;
        }
    }
    return nullptr;
}

// The display-name dialog and the about box are modal: each is pictured and closed from a timer
// inside its own loop.
const wchar_t* g_modalName = L"";

void CALLBACK CaptureModal(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    const HWND dialog = GetActiveWindow();
    if (dialog != nullptr)
    {
        Capture(dialog, g_modalName);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
}

void CALLBACK WaitThenCaptureModal(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    SetTimer(nullptr, 0, 1500, CaptureModal);
}

int Shoot()
{
    Program::LoadImages();
    EarthBackground::SetFolder(Program::PathEarthBackgrounds());
    // The city selection lists the shipped catalogue, as in the program.
    Data::SetCataloguePath(Program::PathCityRecords());
    Program::SetOptions(CPtr<COptions>(new COptions()));

    CFormOptions options(Program::WindowHost());
    if (!options.Create())
    {
        std::fwprintf(stderr, L"the options dialog could not be created\n");
        return 1;
    }
    const wchar_t* pages[] = {L"options-general", L"options-favorite-cities", L"options-earth-background",
                              L"options-display"};
    for (unsigned page = 0; page < 4; ++page)
    {
        options.Showup(page);
        Pump(1500);
        Capture(options.Hwnd(), pages[page]);
    }

    options.Showup(CFormOptions::PageCities);
    Press(PageHolding(options.Hwnd(), IDC_BUTTON_ADD_CITY), IDC_BUTTON_ADD_CITY);
    Pump(2500);
    if (options.SelectCity() != nullptr && IsWindowVisible(options.SelectCity()->Hwnd()))
    {
        Capture(options.SelectCity()->Hwnd(), L"dialog-select-city");
        // The search box in use, over the whole catalogue: the catalogue spells it without the accent.
        SetWindowTextW(options.SelectCity()->SearchBox(), L"S\u00E3o Paulo");
        Pump(500);
        Capture(options.SelectCity()->Hwnd(), L"dialog-select-city-search");
        SetWindowTextW(options.SelectCity()->SearchBox(), L"");
        SendMessageW(options.SelectCity()->Hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        Pump(300);
    }
    else
    {
        std::fwprintf(stdout, L"FAILED dialog-select-city (not shown)\n");
        ++g_failures;
    }

    City& city = *options.WorkingCopy()->HomeCity;
    CFormEditCity edit(city);
    g_modalName = L"dialog-display-name";
    SetTimer(nullptr, 0, 10, WaitThenCaptureModal);
    edit.DoModal(options.Hwnd());

    CFormAbout about(Program::WindowHost());
    g_modalName = L"dialog-about";
    SetTimer(nullptr, 0, 10, WaitThenCaptureModal);
    about.DoModal(options.Hwnd());

    options.DropAndHide();
    options.DestroyWindow();
    Pump(200);
    Program::SetOptions(CPtr<COptions>());
    Program::FreeImages();
    return g_failures == 0 ? 0 : 1;
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
    {
        std::fwprintf(stderr, L"usage: NimbrelDialogShots OUTPUT_FOLDER\n");
        return 2;
    }
    g_output = argv[1];
    if (!g_output.empty() && g_output.back() != L'\\' && g_output.back() != L'/')
    {
        g_output += L'\\';
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    int result = 1;
    try
    {
        result = Shoot();
    }
    catch (...)
    {
        std::fwprintf(stderr, L"failed with an exception\n");
    }
    Gdiplus::GdiplusShutdown(token);
    CoUninitialize();
    return result;
}
