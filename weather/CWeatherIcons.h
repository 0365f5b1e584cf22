// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/Nullable.h"
#include "weather/EnumWeatherCode.h"

#include <memory>
#include <string>

namespace Gdiplus
{
class Bitmap;
}

// Every weather icon in both sizes, day and night, plus the two "not available" icons: each read
// from its file the first time it is asked for and kept, since the map and the local weather
// window draw them constantly, while icons of weather never seen (and the large ones while the
// local weather window stays small) cost neither time nor memory. Owned and used by the
// user-interface thread only.
class CWeatherIcons
{
public:
    CWeatherIcons();
    ~CWeatherIcons();
    CWeatherIcons(const CWeatherIcons&) = delete;
    CWeatherIcons& operator=(const CWeatherIcons&) = delete;

    // Folders end with a backslash. An icon that is missing or unreadable is simply absent. Free
    // drops the icons and the folders: no icon is read after it until the next Load.
    void Load(const std::wstring& smallFolder, const std::wstring& largeFolder);
    void Free();

    // No bitmap when the code is absent, out of range, or its file could not be read.
    Gdiplus::Bitmap* GetLarge(const Nullable<EnumWeatherCode>& code, bool isDay) const;
    Gdiplus::Bitmap* GetSmall(bool isDay, const Nullable<EnumWeatherCode>& code) const;

    Gdiplus::Bitmap* SmallNotAvailable() const;
    Gdiplus::Bitmap* LargeNotAvailable() const;

private:
    // One icon file, read when first wanted; a file that could not be read is not tried again.
    struct Icon
    {
        std::unique_ptr<Gdiplus::Bitmap> Bitmap;
        bool Tried = false;
    };
    struct Set
    {
        std::wstring Folder;
        Icon NotAvailable;
        Icon Day[WeatherCodeCount];
        Icon Night[WeatherCodeCount];
    };

    static Gdiplus::Bitmap* Get(const std::wstring& folder, Icon& icon, const std::wstring& fileName);
    static Gdiplus::Bitmap* Pick(Set& set, const Nullable<EnumWeatherCode>& code, bool isDay);
    static void Free(Set& set);

    mutable Set m_small;
    mutable Set m_large;
};
