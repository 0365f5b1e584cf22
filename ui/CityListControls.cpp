// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/CityListControls.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "platform/UtilWin32.h"

#include <commctrl.h>

namespace
{
// Appends a row with the given column texts and the id as its data; returns false when the list
// refused the row.
bool AppendRow(HWND list, std::initializer_list<const std::wstring*> columns, int id)
{
    // A message to a window that is gone answers 0, which would pass for row 0.
    if (!IsWindow(list))
    {
        return false;
    }
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = ListView_GetItemCount(list);
    item.pszText = const_cast<wchar_t*>((*columns.begin())->c_str());
    item.lParam = id;
    const int index = ListView_InsertItem(list, &item);
    if (index < 0)
    {
        return false;
    }
    int column = 0;
    for (const std::wstring* text : columns)
    {
        if (column > 0)
        {
            ListView_SetItemText(list, index, column, const_cast<wchar_t*>(text->c_str()));
        }
        ++column;
    }
    return true;
}
} // namespace

namespace Util
{
void AddToComboBox(HWND combo, const City& city)
{
    AddToComboBox(combo, city.DisplayName(), city.Id);
}

void AddToListView(HWND list, const City& city)
{
    if (!AppendRow(list, {&city.DisplayName(), &city.Details}, city.Id))
    {
        ThrowApplicationException(Here());
    }
}

void AddCountryCityDetailsToListView(const CityRecord& record, HWND list)
{
    if (!AppendRow(list, {&record.Country, &record.DisplayName(), &record.Details}, record.Id))
    {
        ThrowApplicationException(Here());
    }
}

void AddCitiesToListView(HWND list, const std::vector<CityRecord>& records)
{
    for (const CityRecord& record : records)
    {
        try
        {
            AddCountryCityDetailsToListView(record, list);
        }
        catch (...)
        {
            // One record the list cannot take must not cost the user the whole catalogue.
        }
    }
}
} // namespace Util
