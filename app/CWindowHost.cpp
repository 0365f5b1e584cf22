// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/CWindowHost.h"

#include "app/Program.h"
#include "data/COptions.h"

static_assert(IWindowHost::KeepPage == Program::KeepPage);

COptions& CWindowHost::Options()
{
    return Program::Options();
}

void CWindowHost::SetOptions(CPtr<COptions> options)
{
    Program::SetOptions(std::move(options));
}

void CWindowHost::SaveOptions()
{
    Program::SaveOptions(Program::Options());
}

void CWindowHost::UpdateWallpaper()
{
    Program::UpdateWallpaper();
}

void CWindowHost::ScheduleDownload(bool notify)
{
    Program::ScheduleDownload(notify);
}

Gdiplus::Bitmap* CWindowHost::GetLargeWeatherIcon(const Nullable<EnumWeatherCode>& code, bool isDay)
{
    return Program::GetLargeWeatherIcon(code, isDay);
}

Gdiplus::Bitmap* CWindowHost::GetSmallWeatherIcon(bool isDay, const Nullable<EnumWeatherCode>& code)
{
    return Program::GetSmallWeatherIcon(isDay, code);
}

Gdiplus::Bitmap* CWindowHost::GetLargeNotAvailableIcon()
{
    return Program::GetLargeNotAvailableIcon();
}

void CWindowHost::ShowOptions(unsigned page)
{
    Program::ShowOptions(page);
}

void CWindowHost::ShowEarth()
{
    Program::ShowEarth();
}

void CWindowHost::OpenWebPage(HWND owner)
{
    Program::OpenWebPage(owner);
}

const CWeatherAlert* CWindowHost::HomeCityAlert()
{
    return Program::HomeCityAlert();
}
