// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/CPtr.h"
#include "core/Nullable.h"
#include "platform/GdiPlus.h"
#include "weather/CWeatherAlert.h"
#include "weather/EnumWeatherCode.h"

class COptions;

// What the windows and dialogs ask of the program that shows them: its live options, its weather
// icons, the other windows and what follows accepted options. Given to each window when it is
// made; the program answers for itself, a test or a tool may answer as it likes.
class IWindowHost
{
public:
    // The page argument of ShowOptions that leaves the options dialog on the tab it showed last.
    static constexpr unsigned KeepPage = 0xFFFFFFFF;

    // The live options; SetOptions takes ownership and deletes the previous ones.
    virtual COptions& Options() = 0;
    virtual void SetOptions(CPtr<COptions> options) = 0;
    // Saves the live options, telling the user when that fails. Never throws.
    virtual void SaveOptions() = 0;
    // A new wallpaper (or the user's own back) and redrawn views. Never throws.
    virtual void UpdateWallpaper() = 0;
    // A download batch for the stale cities. Never throws.
    virtual void ScheduleDownload(bool notify) = 0;

    // The icon cache: no bitmap when the code is absent or unknown, or its file could not be read.
    virtual Gdiplus::Bitmap* GetLargeWeatherIcon(const Nullable<EnumWeatherCode>& code, bool isDay) = 0;
    virtual Gdiplus::Bitmap* GetSmallWeatherIcon(bool isDay, const Nullable<EnumWeatherCode>& code) = 0;
    virtual Gdiplus::Bitmap* GetLargeNotAvailableIcon() = 0;

    // The home city's worst active weather alert; null when there is none or alerts are off.
    virtual const CWeatherAlert* HomeCityAlert() { return nullptr; }

    // The commands the windows share with the program's menus. None of them throws.
    virtual void ShowOptions(unsigned page = KeepPage) = 0;
    virtual void ShowEarth() = 0;
    virtual void OpenWebPage(HWND owner) = 0;

protected:
    ~IWindowHost() = default;
};
