// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/CFormOptions.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "platform/Log.h"
#include "platform/UtilWin32.h"
#include "platform/WindowMessages.h"
#include "res/Resource.h"
#include "ui/CFormSelectCity.h"
#include "Version.h"

#include <commctrl.h>

#include <string>

namespace
{
// The common dialogs library brings the printing system with it (under Wine, winspool, CUPS and
// the libraries CUPS needs: 2.7 MB that would stay in a program idling in the tray), so it is
// loaded the first time a chooser opens, not when the program starts.
template <typename Function> Function CommonDialog(const char* name)
{
    static const HMODULE library = LoadLibraryExW(L"comdlg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (library == nullptr)
    {
        Log::Write(L"CFormOptions", L"comdlg32.dll could not be loaded");
    }
    return Util::LibraryFunction<Function>(library, name);
}

BOOL WINAPI ChooseFontOnDemand(LPCHOOSEFONTW choose)
{
    const auto chooseFont = CommonDialog<CFormOptions::ChooseFontFunction>("ChooseFontW");
    return chooseFont != nullptr && chooseFont(choose);
}

BOOL WINAPI ChooseColorOnDemand(LPCHOOSECOLORW choose)
{
    const auto chooseColor = CommonDialog<CFormOptions::ChooseColorFunction>("ChooseColorW");
    return chooseColor != nullptr && chooseColor(choose);
}
} // namespace

CFormOptions::ChooseFontFunction CFormOptions::ShowFontChooser = ChooseFontOnDemand;
CFormOptions::ChooseColorFunction CFormOptions::ShowColorChooser = ChooseColorOnDemand;
CFormOptions::MessageBoxFunction CFormOptions::ShowMessageBox = MessageBoxW;

CFormOptions::CFormOptions(IWindowHost& host, HINSTANCE instance)
    : CDialogBase(IDD_OPTIONS, instance), m_host(host), m_pageGeneral(*this, instance),
      m_pageCities(*this, instance), m_pageEarth(*this, instance), m_pageDisplay(*this, instance)
{
}

CFormOptions::~CFormOptions() = default;

bool CFormOptions::Create()
{
    return CDialogBase::Create(nullptr);
}

COptions& CFormOptions::Copy() const
{
    return *m_options;
}

std::array<CFormOptionsPage*, 4> CFormOptions::Pages()
{
    return {&m_pageGeneral, &m_pageCities, &m_pageEarth, &m_pageDisplay};
}

unsigned CFormOptions::CurrentPage() const
{
    const int page = m_tab != nullptr ? TabCtrl_GetCurSel(m_tab) : -1;
    return page < 0 ? 0u : static_cast<unsigned>(page);
}

void CFormOptions::Showup(unsigned page)
{
    if (!IsWindow())
    {
        ThrowApplicationException(Here());
    }
    if (page <= PageDisplay)
    {
        TabCtrl_SetCurSel(m_tab, static_cast<int>(page));
        ShowPage(page);
    }
    if (!IsWindowVisible(Hwnd()))
    {
        m_options = m_host.Options().Clone();
        PopulateControls();
        ShowWindow(Hwnd(), SW_SHOW);
    }
    // While the user picks cities this dialog is disabled: the selection is what wants the focus.
    const HWND front = m_pageCities.IsSelecting() ? m_pageCities.SelectCity()->Hwnd() : Hwnd();
    SetForegroundWindow(front);
    SetActiveWindow(front);
}

void CFormOptions::DropAndHide()
{
    m_pageCities.HideSelectCity();
    m_options.Reset();
    if (IsWindow())
    {
        EnableWindow(Hwnd(), TRUE);
        ShowWindow(Hwnd(), SW_HIDE);
    }
}

bool CFormOptions::ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    switch (message)
    {
    case WM_INITDIALOG:
        OnInitDialog();
        result = TRUE;
        return true;
    case WM_NOTIFY:
    {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header != nullptr && header->idFrom == IDC_TAB_OPTIONS && header->code == TCN_SELCHANGE)
        {
            ShowPage(CurrentPage());
            result = 0;
            return true;
        }
        return false;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
        {
            OnOK();
            result = 0;
            return true;
        }
        if (LOWORD(wParam) == IDCANCEL)
        {
            DropAndHide();
            result = 0;
            return true;
        }
        return false;
    case WM_CLOSE:
        DropAndHide();
        result = 0;
        return true;
    case WM_SELECT_CITY_OK:
        m_pageCities.OnSelectCityOk();
        result = 0;
        return true;
    case WM_SELECT_CITY_CANCEL:
        m_pageCities.OnSelectCityCancel();
        result = 0;
        return true;
    default:
        return false;
    }
}

void CFormOptions::OnInitDialog()
{
    CenterWindow(nullptr);
    SetWindowTextW(Hwnd(), (std::wstring(NIMBREL_PRODUCT_NAME) + L" - Options").c_str());

    m_tab = GetDlgItem(Hwnd(), IDC_TAB_OPTIONS);
    const wchar_t* titles[] = {L"General", L"Favorite Cities", L"Earth Background", L"Display Options"};
    for (int i = 0; i < 4; ++i)
    {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(titles[i]);
        TabCtrl_InsertItem(m_tab, i, &item);
    }

    // The pages cover the tab control's display area, in the dialog's client coordinates.
    RECT area{};
    GetWindowRect(m_tab, &area);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&area), 2);
    TabCtrl_AdjustRect(m_tab, FALSE, &area);
    for (CFormOptionsPage* page : Pages())
    {
        if (!page->Create(Hwnd()))
        {
            ThrowApplicationException(Here());
        }
        // Above the tab control, so that the pages are drawn over it and Tab reaches them in order.
        SetWindowPos(page->Hwnd(), m_tab, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOACTIVATE);
    }

    ShowPage(CurrentPage());
}

void CFormOptions::ShowPage(unsigned page)
{
    const std::array<CFormOptionsPage*, 4> pages = Pages();
    for (CFormOptionsPage* each : pages)
    {
        if (each->IsWindow())
        {
            ShowWindow(each->Hwnd(), SW_HIDE);
        }
    }
    if (page <= PageDisplay && pages[page]->IsWindow())
    {
        ShowWindow(pages[page]->Hwnd(), SW_SHOW);
    }
}

bool CFormOptions::PreTranslateMessage(MSG& message)
{
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && GetKeyState(VK_CONTROL) < 0 &&
        IsWindow() && IsWindowEnabled(Hwnd()) && (message.hwnd == Hwnd() || IsChild(Hwnd(), message.hwnd)))
    {
        TurnPage(GetKeyState(VK_SHIFT) < 0);
        return true;
    }
    return CDialogBase::PreTranslateMessage(message);
}

void CFormOptions::TurnPage(bool back)
{
    const std::array<CFormOptionsPage*, 4> pages = Pages();
    const unsigned current = CurrentPage();
    const unsigned next = (current + (back ? pages.size() - 1 : 1)) % pages.size();
    const HWND focus = GetFocus();
    const bool focusOnPage = current < pages.size() && pages[current]->IsWindow() && focus != nullptr &&
                             IsChild(pages[current]->Hwnd(), focus);
    TabCtrl_SetCurSel(m_tab, static_cast<int>(next));
    ShowPage(next);
    if (focusOnPage && pages[next]->IsWindow())
    {
        // A hidden control keeps no focus that the keyboard could use.
        if (const HWND first = GetNextDlgTabItem(pages[next]->Hwnd(), nullptr, FALSE))
        {
            SendMessageW(Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
        }
    }
}

void CFormOptions::PopulateControls()
{
    if (m_options.IsNull())
    {
        ThrowApplicationException(Here());
    }
    const COptions& options = Copy();
    for (CFormOptionsPage* page : Pages())
    {
        page->PopulateControls(options);
    }
}

void CFormOptions::OnOK()
{
    try
    {
        if (m_options.IsNull())
        {
            DropAndHide();
            return;
        }
        // Downloads that finished while the dialog was open went to the live options, and so did
        // the local weather window's own menu and place; the dialog edits none of them.
        const COptions& live = m_host.Options();
        m_options->CopyWeatherFrom(live);
        m_options->FormLocalWeather_Mode = live.FormLocalWeather_Mode;
        m_options->FormLocalWeather_AlwaysOnTop = live.FormLocalWeather_AlwaysOnTop;
        m_options->FormLocalWeather_Visible = live.FormLocalWeather_Visible;
        m_options->FormLocalWeather_Position = live.FormLocalWeather_Position;
        m_host.SetOptions(std::move(m_options));
        m_host.SaveOptions();
        m_host.UpdateWallpaper();
        DropAndHide();
        // Cities added just now have no weather yet: fetch them without waiting for the timer.
        m_host.ScheduleDownload(false);
    }
    catch (...)
    {
        Log::Exception(L"CFormOptions::OnOK");
    }
}
