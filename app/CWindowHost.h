// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "ui/IWindowHost.h"

// The program as its windows and dialogs see it: each request goes to Program.
class CWindowHost : public IWindowHost
{
public:
    COptions& Options() override;
    void SetOptions(CPtr<COptions> options) override;
    void SaveOptions() override;
    void UpdateWallpaper() override;
    void ScheduleDownload(bool notify) override;

    Gdiplus::Bitmap* GetLargeWeatherIcon(const Nullable<EnumWeatherCode>& code, bool isDay) override;
    Gdiplus::Bitmap* GetSmallWeatherIcon(bool isDay, const Nullable<EnumWeatherCode>& code) override;
    Gdiplus::Bitmap* GetLargeNotAvailableIcon() override;

    const CWeatherAlert* HomeCityAlert() override;

    void ShowOptions(unsigned page) override;
    void ShowEarth() override;
    void OpenWebPage(HWND owner) override;
};
