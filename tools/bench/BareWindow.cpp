// SPDX-License-Identifier: GPL-2.0-or-later
// nimbrel-bare-window: the least a Windows program with one window can be, for measuring what
// the system itself costs beside Nimbrel (tools/measure-startup runs it under the same Wine).
//
//   nimbrel-bare-window [--maximised]
//
// One frame window with a title bar and nothing in it, its client area painted in one colour;
// shown maximised with --maximised, at the system's default size otherwise. It draws nothing
// else, loads no image, makes no request, and runs until it is closed.
#include <windows.h>

#include <cwchar>

namespace
{
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_PAINT:
    {
        PAINTSTRUCT paint{};
        const HDC dc = BeginPaint(window, &paint);
        FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH)));
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"NimbrelBareWindow";
    if (RegisterClassExW(&windowClass) == 0)
    {
        return 1;
    }
    const HWND window =
        CreateWindowExW(0, windowClass.lpszClassName, L"Bare window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
    {
        return 1;
    }
    ShowWindow(window,
               std::wcsstr(commandLine, L"--maximised") != nullptr ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
