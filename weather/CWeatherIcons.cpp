// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/CWeatherIcons.h"

#include "platform/GdiPlus.h"

namespace
{
std::unique_ptr<Gdiplus::Bitmap> LoadBitmap(const std::wstring& path)
{
    std::unique_ptr<Gdiplus::Bitmap> bitmap(Gdiplus::Bitmap::FromFile(path.c_str()));
    // A broken file would only fail later, at every single draw; treat it as missing now.
    if (bitmap != nullptr && bitmap->GetLastStatus() != Gdiplus::Ok)
    {
        bitmap.reset();
    }
    return bitmap;
}
} // namespace

CWeatherIcons::CWeatherIcons() = default;

CWeatherIcons::~CWeatherIcons() = default;

void CWeatherIcons::Load(const std::wstring& smallFolder, const std::wstring& largeFolder)
{
    Free();
    m_small.Folder = smallFolder;
    m_large.Folder = largeFolder;
}

void CWeatherIcons::Free()
{
    Free(m_small);
    Free(m_large);
}

void CWeatherIcons::Free(Set& set)
{
    set.Folder.clear();
    set.NotAvailable = Icon();
    for (int code = 0; code < WeatherCodeCount; ++code)
    {
        set.Day[code] = Icon();
        set.Night[code] = Icon();
    }
}

Gdiplus::Bitmap* CWeatherIcons::Get(const std::wstring& folder, Icon& icon, const std::wstring& fileName)
{
    if (!icon.Tried && !folder.empty())
    {
        icon.Tried = true;
        icon.Bitmap = LoadBitmap(folder + fileName);
    }
    return icon.Bitmap.get();
}

Gdiplus::Bitmap* CWeatherIcons::Pick(Set& set, const Nullable<EnumWeatherCode>& code, bool isDay)
{
    if (!code.HasValue || code.Value() < 0 || code.Value() >= WeatherCodeCount)
    {
        return nullptr;
    }
    const int index = code.Value();
    return isDay ? Get(set.Folder, set.Day[index], WeatherCodes::DayIconFileName(index))
                 : Get(set.Folder, set.Night[index], WeatherCodes::NightIconFileName(index));
}

Gdiplus::Bitmap* CWeatherIcons::GetLarge(const Nullable<EnumWeatherCode>& code, bool isDay) const
{
    return Pick(m_large, code, isDay);
}

Gdiplus::Bitmap* CWeatherIcons::GetSmall(bool isDay, const Nullable<EnumWeatherCode>& code) const
{
    return Pick(m_small, code, isDay);
}

Gdiplus::Bitmap* CWeatherIcons::SmallNotAvailable() const
{
    return Get(m_small.Folder, m_small.NotAvailable, L"NA.png");
}

Gdiplus::Bitmap* CWeatherIcons::LargeNotAvailable() const
{
    return Get(m_large.Folder, m_large.NotAvailable, L"NA.png");
}
