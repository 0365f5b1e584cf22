// SPDX-License-Identifier: GPL-2.0-or-later

#include "map/CMapLayout.h"

#include <optional>

bool CMapLayout::Box::Overlaps(const Box& other) const
{
    return Left < other.Right() && other.Left < Right() && Top < other.Bottom() && other.Top < Bottom();
}

bool CMapLayout::Box::Contains(const Box& other) const
{
    return other.Left >= Left && other.Top >= Top && other.Right() <= Right() && other.Bottom() <= Bottom();
}

CMapLayout::CMapLayout(const Box& bounds, float gap) : m_bounds(bounds), m_gap(gap) {}

std::array<CMapLayout::Box, 8> CMapLayout::Around(const Box& icon, float width, float height) const
{
    const float left = icon.Left - m_gap - width;
    const float right = icon.Right() + m_gap;
    const float above = icon.Top - m_gap - height;
    const float below = icon.Bottom() + m_gap;
    const float middleX = icon.Left + (icon.Width - width) / 2;
    const float middleY = icon.Top + (icon.Height - height) / 2;
    return {
        Box{right, middleY, width, height}, Box{left, middleY, width, height},
        Box{middleX, above, width, height}, Box{middleX, below, width, height},
        Box{right, above, width, height},   Box{left, above, width, height},
        Box{right, below, width, height},   Box{left, below, width, height},
    };
}

std::vector<CMapLayout::Placement> CMapLayout::Place(const std::vector<City>& cities) const
{
    std::vector<Placement> placements(cities.size());
    // Icons never move, so every one of them is in the way of every label from the start.
    std::vector<Box> taken;
    for (std::size_t i = 0; i < cities.size(); ++i)
    {
        const City& city = cities[i];
        Placement& placement = placements[i];
        placement.Icon = city.Icon;
        placement.HasIcon = city.HasIcon;
        if (!city.HasIcon)
        {
            continue;
        }
        const auto clears = [&](const Box& icon)
        {
            for (const Box& other : taken)
            {
                if (icon.Overlaps(other))
                {
                    return false;
                }
            }
            return true;
        };
        for (int step = 0; !clears(placement.Icon); ++step)
        {
            const float scale = 1.0f - 0.1f * static_cast<float>(step + 1);
            if (scale < kSmallestIcon - 0.001f)
            {
                break;
            }
            placement.IconScale = scale;
            placement.Icon =
                Box{city.X + (city.Icon.Left - city.X) * scale, city.Y + (city.Icon.Top - city.Y) * scale,
                    city.Icon.Width * scale, city.Icon.Height * scale};
        }
        taken.push_back(placement.Icon);
    }

    const auto isFree = [&](const Box& box)
    {
        if (!m_bounds.Contains(box))
        {
            return false;
        }
        for (const Box& other : taken)
        {
            if (box.Overlaps(other))
            {
                return false;
            }
        }
        return true;
    };
    const auto firstFree = [&](const Box& icon, float width, float height, bool keep) -> std::optional<Box>
    {
        const std::array<Box, 8> positions = Around(icon, width, height);
        for (const Box& box : positions)
        {
            if (isFree(box))
            {
                return box;
            }
        }
        if (!keep)
        {
            return std::nullopt;
        }
        for (const Box& box : positions)
        {
            if (m_bounds.Contains(box))
            {
                return box;
            }
        }
        return positions[0];
    };

    for (std::size_t i = 0; i < cities.size(); ++i)
    {
        const City& city = cities[i];
        Placement& placement = placements[i];
        if (city.MarkSide > 0.0f)
        {
            if (const std::optional<Box> mark =
                    firstFree(placement.Icon, city.MarkSide, city.MarkSide, false))
            {
                placement.Mark = *mark;
                placement.HasMark = true;
                taken.push_back(*mark);
            }
        }
        if (city.LabelWidth > 0.0f && city.LabelHeight > 0.0f)
        {
            if (const std::optional<Box> label =
                    firstFree(placement.Icon, city.LabelWidth, city.LabelHeight, city.KeepLabel))
            {
                placement.Label = *label;
                placement.HasLabel = true;
                taken.push_back(*label);
            }
        }
    }
    return placements;
}
