// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <array>
#include <vector>

// Where the cities' icons, labels and marks go on a map so that no two of them cover each other.
// It works on boxes alone (the composer measures the texts and the icons), so the placement is the
// same on every surface and can be checked without drawing.
//
// Cities come in priority order. Every icon stays centred on its city; one that would cover the
// icon of a city before it is drawn smaller, by steps of a tenth down to kSmallestIcon of its size,
// until it clears (or at that size when it never does). Then, city by city, a mark
// (a small square beside the icon, for a warning, say) and the label (name and temperature as one
// line) each take the first free position around the icon: right, left, above, below, then the
// corners above right, above left, below right and below left. A position is free when it lies
// wholly inside the map and touches no icon and nothing placed before it. A label or mark without
// a free position is left out; a label that must be kept (the home city's) then takes the first
// position inside the map, free or not.
class CMapLayout
{
public:
    // Pixels, right and bottom exclusive: boxes that only share an edge do not overlap.
    struct Box
    {
        float Left = 0.0f;
        float Top = 0.0f;
        float Width = 0.0f;
        float Height = 0.0f;

        float Right() const { return Left + Width; }
        float Bottom() const { return Top + Height; }
        bool Overlaps(const Box& other) const;
        bool Contains(const Box& other) const;
    };

    struct City
    {
        // What the icon covers. A city without an icon gives the point itself (a box of one pixel)
        // with HasIcon false: its label sits around the point and nothing is in the way.
        Box Icon;
        // The city's point, about which a crowded icon shrinks.
        float X = 0.0f;
        float Y = 0.0f;
        bool HasIcon = false;
        float LabelWidth = 0.0f; // no label when either is 0
        float LabelHeight = 0.0f;
        bool KeepLabel = false;
        float MarkSide = 0.0f; // no mark when 0
    };

    struct Placement
    {
        Box Icon;
        bool HasIcon = false;
        float IconScale = 1.0f; // below 1 for an icon drawn smaller to clear another
        Box Label;
        bool HasLabel = false;
        Box Mark;
        bool HasMark = false;
    };

    static constexpr float kSmallestIcon = 0.4f;

    // The map's rectangle, and the space left between an icon and what sits beside it.
    CMapLayout(const Box& bounds, float gap);

    // One placement per city, in the same order.
    std::vector<Placement> Place(const std::vector<City>& cities) const;

    // The eight positions of a box of this size around the icon, in the order they are tried.
    std::array<Box, 8> Around(const Box& icon, float width, float height) const;

private:
    Box m_bounds;
    float m_gap;
};
