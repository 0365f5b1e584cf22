// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/CFormEditCity.h"

#include "core/ArgumentException.h"
#include "data/City.h"
#include "res/Resource.h"

#include <algorithm>
#include <cwctype>
#include <string>

CFormEditCity::MessageBoxFunction CFormEditCity::ShowMessageBox = MessageBoxW;

namespace
{
std::wstring GetText(HWND control)
{
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), length + 1)));
    return text;
}

std::wstring Trim(const std::wstring& text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && std::iswspace(text[first]))
    {
        ++first;
    }
    while (last > first && std::iswspace(text[last - 1]))
    {
        --last;
    }
    return text.substr(first, last - first);
}
} // namespace

CFormEditCity::CFormEditCity(City& city, HINSTANCE instance)
    : CDialogBase(IDD_EDIT_CITY, instance), m_city(city)
{
}

bool CFormEditCity::ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result)
{
    switch (message)
    {
    case WM_INITDIALOG:
        OnInitDialog();
        result = FALSE; // the name box has the focus already
        return true;
    case WM_COMMAND:
        switch (LOWORD(wParam))
        {
        case IDOK:
            OnOK();
            return true;
        case IDCANCEL:
            EndDialog(IDCANCEL);
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

void CFormEditCity::OnInitDialog()
{
    CenterWindow(GetParent(Hwnd()));
    SetDlgItemTextW(Hwnd(), IDC_EDIT_DETAILS, m_city.Details.c_str());
    SetDlgItemTextW(Hwnd(), IDC_EDIT_DISPLAY_NAME, m_city.DisplayName().c_str());
    const HWND name = GetDlgItem(Hwnd(), IDC_EDIT_DISPLAY_NAME);
    SetFocus(name);
    SendMessageW(name, EM_SETSEL, 0, -1);
}

void CFormEditCity::OnOK()
{
    const HWND nameBox = GetDlgItem(Hwnd(), IDC_EDIT_DISPLAY_NAME);
    const std::wstring name = Trim(GetText(nameBox));
    if (name.empty())
    {
        ShowMessageBox(Hwnd(), L"Please enter display name and try again.", L"", MB_ICONINFORMATION);
        SetFocus(nameBox);
        return;
    }
    try
    {
        m_city.DisplayName(name);
    }
    catch (const ArgumentException&)
    {
        // The cities file keeps one record per line with ";" between the fields: such a name would
        // break the record, so it is refused rather than saved.
        ShowMessageBox(Hwnd(),
                       L"The display name cannot contain \";\", a line break or characters that cannot be "
                       L"saved. Please change the name and try again.",
                       L"", MB_ICONINFORMATION);
        SetFocus(nameBox);
        return;
    }
    EndDialog(IDOK);
}
