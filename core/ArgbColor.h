// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <cstdint>

// A 32-bit ARGB colour: alpha in the top byte, then red, green and blue. A type of its own so
// that colours and plain integers never pick each other's parser or writer overloads.
struct ArgbColor
{
    std::uint32_t Value = 0xFF000000u;

    static constexpr ArgbColor FromRgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
    {
        return ArgbColor{0xFF000000u | (std::uint32_t{red} << 16) | (std::uint32_t{green} << 8) | blue};
    }

    constexpr std::uint8_t Alpha() const { return static_cast<std::uint8_t>(Value >> 24); }
    constexpr std::uint8_t Red() const { return static_cast<std::uint8_t>(Value >> 16); }
    constexpr std::uint8_t Green() const { return static_cast<std::uint8_t>(Value >> 8); }
    constexpr std::uint8_t Blue() const { return static_cast<std::uint8_t>(Value); }

    // The colour's grey, lifted halfway to a light grey so that even a dark colour stays legible:
    // how a value that is out of date is drawn. Alpha is kept.
    constexpr ArgbColor Greyed() const
    {
        const std::uint32_t luma = (299u * Red() + 587u * Green() + 114u * Blue()) / 1000u;
        const std::uint32_t grey = (luma + 176u) / 2u;
        return ArgbColor{(Value & 0xFF000000u) | (grey << 16) | (grey << 8) | grey};
    }

    friend constexpr bool operator==(ArgbColor a, ArgbColor b) { return a.Value == b.Value; }
};
