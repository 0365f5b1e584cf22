// SPDX-License-Identifier: GPL-2.0-or-later

#include "core/CBilinearStretch.h"

#include <algorithm>
#include <cmath>

namespace
{
// The two source pixels around the centre of target pixel i, clamped to the image, and the weight
// of the second one.
void Neighbours(int i, int start, int partSize, int targetSize, int imageSize, int& first, int& second,
                unsigned& weight)
{
    const double position = start + (i + 0.5) * partSize / targetSize - 0.5;
    const double floor = std::floor(position);
    const double last = imageSize - 1;
    first = static_cast<int>(std::clamp(floor, 0.0, last));
    second = static_cast<int>(std::clamp(floor + 1, 0.0, last));
    weight = static_cast<unsigned>(std::lround((position - floor) * 256));
}
} // namespace

CBilinearStretch::CBilinearStretch(int imageWidth, int imageHeight, int left, int top, int partWidth,
                                   int partHeight, int targetWidth, int targetHeight)
{
    if (imageWidth <= 0 || imageHeight <= 0 || targetWidth <= 0 || targetHeight <= 0)
    {
        return;
    }
    m_columns.resize(static_cast<std::size_t>(targetWidth));
    for (int x = 0; x < targetWidth; ++x)
    {
        int first = 0;
        int second = 0;
        Column& column = m_columns[static_cast<std::size_t>(x)];
        Neighbours(x, left, partWidth, targetWidth, imageWidth, first, second, column.Weight);
        column.Left = static_cast<std::uint32_t>(first) * 3;
        column.Right = static_cast<std::uint32_t>(second) * 3;
    }
    // Columns move from left to right with x, so the first and the last bound them all.
    m_first = std::min(m_columns.front().Left, m_columns.back().Left);
    m_end = std::max(m_columns.front().Right, m_columns.back().Right) + 3;
    m_rows.resize(static_cast<std::size_t>(targetHeight));
    for (int y = 0; y < targetHeight; ++y)
    {
        Rows& row = m_rows[static_cast<std::size_t>(y)];
        Neighbours(y, top, partHeight, targetHeight, imageHeight, row.Above, row.Below, row.Weight);
    }
}
