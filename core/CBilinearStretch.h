// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <cstdint>
#include <vector>

// A rectangle of an image stretched over a target, sampled bilinearly between the centres of the
// source pixels (as a drawing program stretches by default), one target pixel at a time: for
// pictures of which only some pixels are needed, with no stretched copy made of the rest. Pixels
// are three bytes; a position beyond the image's edge takes the edge's pixel.
class CBilinearStretch
{
public:
    // The source rows of one target row and the weight of the lower one, 0 to 256.
    struct Rows
    {
        int Above = 0;
        int Below = 0;
        unsigned Weight = 0;
    };

    // The part of an image of imageWidth × imageHeight pixels whose top left pixel is (left, top)
    // and whose size is partWidth × partHeight, over a target of targetWidth × targetHeight.
    CBilinearStretch(int imageWidth, int imageHeight, int left, int top, int partWidth, int partHeight,
                     int targetWidth, int targetHeight);

    // True when the sizes leave nothing to sample: every size must be positive.
    bool IsEmpty() const { return m_rows.empty(); }

    const Rows& Row(int y) const { return m_rows[static_cast<std::size_t>(y)]; }

    // The values a row of target pixels is sampled from: the target row's two source rows, above
    // and below (see Row), blended by the lower one's weight, 256 times over, across the columns
    // the target's pixels reach. line holds three values for every pixel of a source row.
    void BlendRows(const std::uint8_t* above, const std::uint8_t* below, unsigned belowWeight,
                   std::uint16_t* line) const
    {
        const unsigned aboveWeight = 256 - belowWeight;
        for (std::uint32_t i = m_first; i < m_end; ++i)
        {
            line[i] = static_cast<std::uint16_t>(above[i] * aboveWeight + below[i] * belowWeight);
        }
    }

    // Pixel x of the target row whose source rows BlendRows blended into line.
    void Sample(const std::uint16_t* line, int x, std::uint8_t* pixel) const
    {
        const Column& column = m_columns[static_cast<std::size_t>(x)];
        const unsigned right = column.Weight;
        const unsigned left = 256 - right;
        for (int channel = 0; channel < 3; ++channel)
        {
            pixel[channel] = static_cast<std::uint8_t>(
                (line[column.Left + channel] * left + line[column.Right + channel] * right + 32768) >> 16);
        }
    }

private:
    struct Column
    {
        std::uint32_t Left = 0; // byte offsets in a source row
        std::uint32_t Right = 0;
        unsigned Weight = 0; // of the right one, 0 to 256
    };

    std::vector<Column> m_columns;
    std::vector<Rows> m_rows;
    std::uint32_t m_first = 0; // the bytes of a source row that any column reads
    std::uint32_t m_end = 0;
};
