#include "app/CFormHidden.h"

#include "app/Program.h"
#include "app/WindowMessages.h"
#include "platform/Log.h"
#include "res/Resource.h"

void CFormHidden::Create()
{
    WNDCLASSEXW windowClass{};
    windowClass.lpszClassName = kHiddenWindowClass;
    RegisterWindowClass(windowClass);
    const RECT bounds{};
    CWindowBase::Create(kHiddenWindowClass, L"", 0, 0, bounds, nullptr, nullptr);
}

bool CFormHidden::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    switch (message)
    {
    case WM_CREATE:
        SetWindowTextW(Hwnd(), L"FormHidden");
        Program::SetHiddenWindowHandle(Hwnd());
        Program::ScheduleDownload(true);
        SetTimer(Hwnd(), UpdateTimerId, FirstTimerPeriod, nullptr);
        result = 0;
        return true;
    case WM_TIMER:
    {
        Program::ScheduleDownload(false);
        const UINT period = AdvanceUpdateTimer(m_tickCounter);
        if (period != 0)
        {
            SetTimer(Hwnd(), UpdateTimerId, period, nullptr);
        }
        result = 0;
        return true;
    }
    case WM_WEATHER_REPORT:
        Program::OnWeatherReport();
        result = 0;
        return true;
    case WM_DOWNLOAD_COMPLETE:
        Program::OnDownloadComplete();
        result = 0;
        return true;
    case WM_ENDSESSION:
        if (wParam != 0)
        {
            Program::OnExit();
        }
        result = 0;
        return true;
    case WM_COMMAND:
        result = 0;
        return OnCommand(LOWORD(wParam));
    default:
        return false;
    }
}

UINT CFormHidden::AdvanceUpdateTimer(unsigned& tickCounter)
{
    if (tickCounter < 2)
    {
        ++tickCounter;
    }
    if (tickCounter == 2)
    {
        tickCounter = 3;
        return LaterTimerPeriod;
    }
    return 0;
}

bool CFormHidden::OnCommand(WORD id)
{
    try
    {
        switch (id)
        {
        case ID_APP_EXIT:
            Program::OnExit();
            return true;
        default:
            return false;
        }
    }
    catch (...)
    {
        Log::Exception(L"CFormHidden::OnCommand");
        return true;
    }
}
