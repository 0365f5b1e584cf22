// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <string>

// One city's download request: a copy of what the worker needs, so it never touches the live
// cities of the user-interface thread.
class CWeatherRequest
{
public:
    int CityId = 0;
    float Latitude = 0.0f;    // degrees, north positive
    float Longitude = 0.0f;   // degrees, east positive
    std::wstring StationCode; // ICAO code, four letters
};
