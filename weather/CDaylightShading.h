// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

// Where a map lies in daylight and where in darkness: for each pixel of a target showing a region
// of the earth (longitude along x, latitude along y, north up), the weight of the day picture
// against the night one, from the sun's altitude at the pixel's centre. Full day where the sun
// stands more than about six degrees above the middle of twilight, full night more than about six
// below it, a raised-cosine blend between. The middle is the altitude at which CSun has the sun
// rise and set, so a city's day or night icon agrees with the side of it the city lies on.
//
// The sine of the altitude is sin(lat) sin(decl) + cos(lat) cos(decl) cos(lon - sun's lon): one
// term per row and one per column, so a pixel costs a multiply-add and a table look-up, and a row
// the sun lights alike from end to end is known as a whole.
class CDaylightShading
{
public:
    static constexpr int FullDay = 256; // the weight of a pixel in full daylight; 0 is full night
    static constexpr double TwilightHalfWidth = 6.0; // degrees of altitude either side of the middle

    // A target of width × height pixels showing longitudes west to east and latitudes north to
    // south (degrees), under the sun in the zenith at (sunLatitude, sunLongitude).
    CDaylightShading(double west, double north, double east, double south, int width, int height,
                     double sunLatitude, double sunLongitude);

    enum class Light
    {
        Day,     // every pixel of the row has full daylight
        Night,   // every pixel of the row is in full night
        Twilight // anything else
    };
    Light Row(int y) const { return m_rows[static_cast<std::size_t>(y)].Kind; }

    // The day picture's weight at the pixel, 0 to FullDay.
    int Weight(int x, int y) const { return Weight(m_rows[static_cast<std::size_t>(y)], x); }

    // Row y of the day picture blended in place with the same row of the night picture, both of
    // width pixels of three bytes.
    void BlendRow(int y, std::uint8_t* day, const std::uint8_t* night) const
    {
        BlendRowOnDemand(y, day,
                         [night](int x, std::uint8_t* pixel) { std::memcpy(pixel, night + 3 * x, 3); });
    }

    // The same with the night picture's pixels made on demand, only where they show:
    // night(x, pixel) writes the three bytes of the night picture's pixel x of the row.
    template <typename NightPixel>
    void BlendRowOnDemand(int y, std::uint8_t* day, const NightPixel& night) const
    {
        const RowTerms& row = m_rows[static_cast<std::size_t>(y)];
        if (row.Kind == Light::Day)
        {
            return;
        }
        const int width = static_cast<int>(m_columns.size());
        std::uint8_t pixel[3];
        for (int x = 0; x < width; ++x, day += 3)
        {
            const unsigned weight = row.Kind == Light::Night ? 0u : static_cast<unsigned>(Weight(row, x));
            if (weight == FullDay)
            {
                continue;
            }
            if (weight == 0)
            {
                night(x, day);
                continue;
            }
            night(x, pixel);
            const unsigned rest = FullDay - weight;
            for (int channel = 0; channel < 3; ++channel)
            {
                day[channel] = static_cast<std::uint8_t>(
                    (day[channel] * weight + pixel[channel] * rest + FullDay / 2) / FullDay);
            }
        }
    }

private:
    // Steps of the table over the sine of the altitude across twilight.
    static constexpr int kSteps = 2048;

    struct RowTerms
    {
        float Offset = 0; // the table index where the column term is zero
        float Scale = 0;  // table steps per unit of the column term
        Light Kind = Light::Twilight;
    };

    int Weight(const RowTerms& row, int x) const
    {
        const float index = row.Offset + row.Scale * m_columns[static_cast<std::size_t>(x)];
        if (!(index > 0.0f))
        {
            return 0;
        }
        if (index >= static_cast<float>(kSteps))
        {
            return FullDay;
        }
        return m_table[static_cast<std::size_t>(index + 0.5f)];
    }

    std::vector<float> m_columns; // cos(lon - sun's lon) at each column's centre
    std::vector<RowTerms> m_rows;
    std::array<std::uint16_t, kSteps + 1> m_table{};
};
