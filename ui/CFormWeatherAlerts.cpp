// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/CFormWeatherAlerts.h"

#include "res/Resource.h"

#include <commctrl.h>

#include <utility>

namespace
{
// Edit controls break lines only at "\r\n"; the service writes "\n".
std::wstring WindowsLines(const std::wstring& text)
{
    std::wstring result;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r'))
        {
            result += L'\r';
        }
        result += text[i];
    }
    return result;
}
} // namespace

CFormWeatherAlerts::CFormWeatherAlerts(std::vector<Row> rows, HINSTANCE instance)
    : CDialogBase(IDD_WEATHER_ALERTS, instance), m_rows(std::move(rows))
{
}

std::wstring CFormWeatherAlerts::LocalTimeText(const Nullable<DateTime>& utc)
{
    if (!utc.HasValue)
    {
        return L"--";
    }
    const std::int64_t fileTime = utc.Value().Ticks() - DateTime::FileTimeOffset;
    if (fileTime < 0)
    {
        return L"--";
    }
    FILETIME universal{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
    FILETIME local{};
    SYSTEMTIME time{};
    if (!FileTimeToLocalFileTime(&universal, &local) || !FileTimeToSystemTime(&local, &time))
    {
        return L"--";
    }
    wchar_t date[64] = L"";
    wchar_t clock[64] = L"";
    GetDateFormatW(LOCALE_USER_DEFAULT, 0, &time, L"MMM d", date, 64);
    GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, clock, 64);
    return std::wstring(date) + L", " + clock;
}

std::wstring CFormWeatherAlerts::DetailsText(const CWeatherAlert& alert)
{
    std::wstring text = alert.Headline.empty() ? alert.Event : alert.Headline;
    if (!alert.AreaDesc.empty())
    {
        text += L"\n\nArea: " + alert.AreaDesc;
    }
    if (!alert.Description.empty())
    {
        text += L"\n\n" + alert.Description;
    }
    if (!alert.Instruction.empty())
    {
        text += L"\n\n" + alert.Instruction;
    }
    return WindowsLines(text);
}

bool CFormWeatherAlerts::ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    switch (message)
    {
    case WM_INITDIALOG:
        OnInitDialog();
        result = TRUE;
        return true;
    case WM_NOTIFY:
    {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header != nullptr && header->idFrom == IDC_LIST_ALERTS && header->code == LVN_ITEMCHANGED)
        {
            ShowDetails();
            return true;
        }
        return false;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
        {
            EndDialog(LOWORD(wParam));
            return true;
        }
        return false;
    default:
        return false;
    }
}

void CFormWeatherAlerts::OnInitDialog()
{
    CenterWindow(GetWindow(Hwnd(), GW_OWNER));
    const HWND list = GetDlgItem(Hwnd(), IDC_LIST_ALERTS);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    const struct
    {
        const wchar_t* Title;
        int Width;
    } columns[] = {{L"City", 110}, {L"Event", 170}, {L"Severity", 70}, {L"From", 105}, {L"To", 105}};
    for (int i = 0; i < 5; ++i)
    {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<wchar_t*>(columns[i].Title);
        column.cx = columns[i].Width;
        ListView_InsertColumn(list, i, &column);
    }
    for (std::size_t row = 0; row < m_rows.size(); ++row)
    {
        const CWeatherAlert& alert = m_rows[row].Alert;
        const std::wstring cells[] = {m_rows[row].City, alert.Event,
                                      CWeatherAlert::SeverityText(alert.Severity),
                                      LocalTimeText(alert.Start()), LocalTimeText(alert.End())};
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(row);
        item.pszText = const_cast<wchar_t*>(cells[0].c_str());
        const int index = ListView_InsertItem(list, &item);
        for (int cell = 1; cell < 5 && index >= 0; ++cell)
        {
            ListView_SetItemText(list, index, cell, const_cast<wchar_t*>(cells[cell].c_str()));
        }
    }
    if (!m_rows.empty())
    {
        ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    ShowDetails();
}

void CFormWeatherAlerts::ShowDetails()
{
    const int row = ListView_GetNextItem(GetDlgItem(Hwnd(), IDC_LIST_ALERTS), -1, LVNI_SELECTED);
    const std::wstring text = row >= 0 && static_cast<std::size_t>(row) < m_rows.size()
                                  ? DetailsText(m_rows[row].Alert)
                                  : std::wstring();
    SetDlgItemTextW(Hwnd(), IDC_EDIT_ALERT_DETAILS, text.c_str());
}
