#pragma once

#include "core/Nullable.h"
#include "weather/EnumWeatherCode.h"

#include <memory>
#include <string>

namespace Gdiplus
{
class Bitmap;
}

// Every weather icon in both sizes, day and night, plus the two "not available" icons: loaded
// once at start-up and kept, since the map and the local weather window draw them constantly.
// Owned and used by the user-interface thread only.
class CWeatherIcons
{
public:
    CWeatherIcons();
    ~CWeatherIcons();
    CWeatherIcons(const CWeatherIcons&) = delete;
    CWeatherIcons& operator=(const CWeatherIcons&) = delete;

    // Folders end with a backslash. An icon that is missing or unreadable is simply absent.
    void Load(const std::wstring& smallFolder, const std::wstring& largeFolder);
    void Free();

    // No bitmap when the code is absent, out of range, or its file could not be read.
    Gdiplus::Bitmap* GetLarge(const Nullable<EnumWeatherCode>& code, bool isDay) const;
    Gdiplus::Bitmap* GetSmall(bool isDay, const Nullable<EnumWeatherCode>& code) const;

    Gdiplus::Bitmap* SmallNotAvailable() const { return m_smallNotAvailable.get(); }
    Gdiplus::Bitmap* LargeNotAvailable() const { return m_largeNotAvailable.get(); }

private:
    using BitmapPtr = std::unique_ptr<Gdiplus::Bitmap>;
    struct Set
    {
        BitmapPtr Day[WeatherCodeCount];
        BitmapPtr Night[WeatherCodeCount];
    };

    static Gdiplus::Bitmap* Pick(const Set& set, const Nullable<EnumWeatherCode>& code, bool isDay);

    BitmapPtr m_smallNotAvailable;
    BitmapPtr m_largeNotAvailable;
    Set m_small;
    Set m_large;
};
