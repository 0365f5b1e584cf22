// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/TypeName.h"
#include "data/CityRecord.h"
#include "weather/CCurrentWeather.h"
#include "weather/CForecast.h"

#include <string>
#include <vector>

class CWeatherReport;

// A favourite city: a copy of its catalogue record and the latest weather downloaded for it.
// A fresh city has weather from 1990, which means none yet.
class City : public CityRecord
{
public:
    City() = default;
    explicit City(const CityRecord& record) : CityRecord(record) {}
    City(int id, std::wstring stationCode, std::wstring country, std::wstring displayName,
         std::wstring details, float latitude, float longitude);

    CCurrentWeather CurrentWeather;
    CForecast Forecast;

    // Takes the other's observation only when it is strictly newer than this one's, and,
    // independently, its forecast only when that is strictly newer. The caller has matched the
    // ids; the record fields are never touched.
    void UpdateWeather(const City& other);
    void UpdateWeather(const CWeatherReport& report);

private:
    void UpdateWeather(const CCurrentWeather& currentWeather, const CForecast& forecast);
};

template <> struct TypeName<City>
{
    static constexpr const char* Value = "class City";
};

// The compiler's spelling ends in ">"; the blank keeps the closing ">" that CPtr appends from
// running into it, as in "CPtr<class std::vector<...> > >".
template <> struct TypeName<std::vector<City>>
{
    static constexpr const char* Value = "class std::vector<class City,class std::allocator<class City> > ";
};
