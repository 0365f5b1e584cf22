// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/CDaylightShading.h"

#include "weather/CSun.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double kPi = 3.141592653589793;

double Radians(double degrees)
{
    return degrees * kPi / 180.0;
}
} // namespace

CDaylightShading::CDaylightShading(double west, double north, double east, double south, int width,
                                   int height, double sunLatitude, double sunLongitude)
    : m_columns(static_cast<std::size_t>(std::max(width, 0))),
      m_rows(static_cast<std::size_t>(std::max(height, 0)))
{
    const double lowest = CSun::SunriseAltitude - TwilightHalfWidth;
    const double highest = CSun::SunriseAltitude + TwilightHalfWidth;
    const double sineLow = std::sin(Radians(lowest));
    const double sineHigh = std::sin(Radians(highest));
    const double steps = kSteps / (sineHigh - sineLow);

    for (int i = 0; i <= kSteps; ++i)
    {
        const double altitude = std::asin(std::clamp(sineLow + i / steps, -1.0, 1.0)) * 180.0 / kPi;
        const double across = std::clamp((altitude - lowest) / (highest - lowest), 0.0, 1.0);
        m_table[static_cast<std::size_t>(i)] =
            static_cast<std::uint16_t>(std::lround(FullDay * (0.5 - 0.5 * std::cos(kPi * across))));
    }

    float fewest = 1.0f;
    float most = -1.0f;
    for (int x = 0; x < width; ++x)
    {
        const double longitude = west + (x + 0.5) * (east - west) / width;
        const float term = static_cast<float>(std::cos(Radians(longitude - sunLongitude)));
        m_columns[static_cast<std::size_t>(x)] = term;
        fewest = std::min(fewest, term);
        most = std::max(most, term);
    }

    const double sineSun = std::sin(Radians(sunLatitude));
    const double cosineSun = std::cos(Radians(sunLatitude));
    for (int y = 0; y < height; ++y)
    {
        const double latitude = north + (y + 0.5) * (south - north) / height;
        RowTerms& row = m_rows[static_cast<std::size_t>(y)];
        row.Offset = static_cast<float>((std::sin(Radians(latitude)) * sineSun - sineLow) * steps);
        row.Scale = static_cast<float>(std::max(std::cos(Radians(latitude)) * cosineSun, 0.0) * steps);
        // The same arithmetic as Weight at the row's extreme columns: the scale is not negative,
        // so every other column lies between them.
        if (width > 0 && row.Offset + row.Scale * fewest >= static_cast<float>(kSteps))
        {
            row.Kind = Light::Day;
        }
        else if (width > 0 && !(row.Offset + row.Scale * most > 0.0f))
        {
            row.Kind = Light::Night;
        }
    }
}
