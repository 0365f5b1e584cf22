// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "data/Data.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

// A small city catalogue for the dialogs, in this order: Paris, New York, Lyon, london, Los
// Angeles, Marseille (ids 1 to 6).
inline void LoadCatalogue(const TempFolder& folder)
{
    const std::wstring path = folder.File(L"CityRecords.txt");
    std::ofstream(path.c_str(), std::ios::binary) << "1;LFPG;France;Paris;Charles de Gaulle;49.01;2.55\r\n"
                                                     "2;KJFK;USA;New York;Kennedy;40.64;-73.78\r\n"
                                                     "3;LFLL;France;Lyon;Saint-Exupery;45.72;5.08\r\n"
                                                     "4;EGLL;UK;london;Heathrow;51.47;-0.46\r\n"
                                                     "5;KLAX;USA;Los Angeles;LAX;33.94;-118.41\r\n"
                                                     "6;LFML;France;Marseille;Provence;43.44;5.22\r\n";
    Data::LoadData(path);
    ASSERT_EQ(6u, Data::GetCityRecords().size());
}
