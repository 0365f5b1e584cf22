// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "data/City.h"
#include "data/CityRecord.h"

#include <windows.h>

#include <vector>

// Filling the dialogs' list views and combo boxes with cities. Each row or item keeps the
// record id as its data, which is how the dialogs find the city again.
namespace Util
{
void AddToComboBox(HWND combo, const City& city);

// Display name and details.
void AddToListView(HWND list, const City& city);

// Country, display name and details.
void AddCountryCityDetailsToListView(const CityRecord& record, HWND list);

// Every record; one the list refuses is left out and the rest still go in.
void AddCitiesToListView(HWND list, const std::vector<CityRecord>& records);
} // namespace Util
