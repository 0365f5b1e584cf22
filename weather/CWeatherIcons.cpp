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
    m_smallNotAvailable = LoadBitmap(smallFolder + L"NA.png");
    m_largeNotAvailable = LoadBitmap(largeFolder + L"NA.png");
    for (int code = 0; code < WeatherCodeCount; ++code)
    {
        m_small.Day[code] = LoadBitmap(smallFolder + WeatherCodes::DayIconFileName(code));
        m_small.Night[code] = LoadBitmap(smallFolder + WeatherCodes::NightIconFileName(code));
        m_large.Day[code] = LoadBitmap(largeFolder + WeatherCodes::DayIconFileName(code));
        m_large.Night[code] = LoadBitmap(largeFolder + WeatherCodes::NightIconFileName(code));
    }
}

void CWeatherIcons::Free()
{
    m_smallNotAvailable.reset();
    m_largeNotAvailable.reset();
    for (int code = 0; code < WeatherCodeCount; ++code)
    {
        m_small.Day[code].reset();
        m_small.Night[code].reset();
        m_large.Day[code].reset();
        m_large.Night[code].reset();
    }
}

Gdiplus::Bitmap* CWeatherIcons::Pick(const Set& set, const Nullable<EnumWeatherCode>& code, bool isDay)
{
    if (!code.HasValue || code.Value() < 0 || code.Value() >= WeatherCodeCount)
    {
        return nullptr;
    }
    return (isDay ? set.Day : set.Night)[code.Value()].get();
}

Gdiplus::Bitmap* CWeatherIcons::GetLarge(const Nullable<EnumWeatherCode>& code, bool isDay) const
{
    return Pick(m_large, code, isDay);
}

Gdiplus::Bitmap* CWeatherIcons::GetSmall(bool isDay, const Nullable<EnumWeatherCode>& code) const
{
    return Pick(m_small, code, isDay);
}
