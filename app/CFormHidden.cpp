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
