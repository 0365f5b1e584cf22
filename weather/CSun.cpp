// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/CSun.h"

#include "core/ApplicationException.h"
#include "core/ArgumentException.h"
#include "core/Here.h"
#include "core/TimeSpan.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>

namespace
{
constexpr double kPi = 3.141592653589793;
constexpr double kMinutesPerDay = 1440.0;

constexpr std::int64_t kOneDayTicks = TimeSpan::TicksPerDay;

// The zenith of sunrise and sunset: the sun's upper limb on the horizon, refraction included.
double CosSunriseZenith()
{
    static const double value = std::cos(90.833 * kPi / 180.0);
    return value;
}

double degToRad(double degrees)
{
    return degrees * kPi / 180.0;
}

double radToDeg(double radians)
{
    return radians * 180.0 / kPi;
}

// Julian day at 0h UT of a calendar date (Meeus); integer divisions truncate.
double calcJD(int year, int month, int day)
{
    if (month <= 2)
    {
        year -= 1;
        month += 12;
    }
    const int a = year / 100;
    const int b = 2 - a + a / 4;
    return std::floor(365.25 * (year + 4716)) + std::floor(30.6001 * (month + 1)) + day + b - 1524.5;
}

double calcTimeJulianCent(double jd)
{
    return (jd - 2451545.0) / 36525.0;
}

double calcJDFromJulianCent(double t)
{
    return t * 36525.0 + 2451545.0;
}

double calcGeomMeanAnomalySun(double t)
{
    return 357.52911 + t * (35999.05029 - 0.0001537 * t);
}

double calcEccentricityEarthOrbit(double t)
{
    return 0.016708634 - t * (0.000042037 + 0.0000001267 * t);
}

double calcSunEqOfCenter(double t)
{
    const double m = degToRad(calcGeomMeanAnomalySun(t));
    return std::sin(m) * (1.914602 - t * (0.004817 + 0.000014 * t)) +
           std::sin(2 * m) * (0.019993 - 0.000101 * t) + std::sin(3 * m) * 0.000289;
}

double calcSunTrueLong(double t)
{
    return calcGeomMeanLongSun(t) + calcSunEqOfCenter(t);
}

double calcSunApparentLong(double t)
{
    const double omega = 125.04 - 1934.136 * t;
    return calcSunTrueLong(t) - 0.00569 - 0.00478 * std::sin(degToRad(omega));
}

double calcMeanObliquityOfEcliptic(double t)
{
    const double seconds = 21.448 - t * (46.815 + t * (0.00059 - t * 0.001813));
    return 23.0 + (26.0 + seconds / 60.0) / 60.0;
}

double calcObliquityCorrection(double t)
{
    const double omega = 125.04 - 1934.136 * t;
    return calcMeanObliquityOfEcliptic(t) + 0.00256 * std::cos(degToRad(omega));
}

double calcSunDeclination(double t)
{
    const double e = calcObliquityCorrection(t);
    const double lambda = calcSunApparentLong(t);
    const double sint = std::sin(degToRad(e)) * std::sin(degToRad(lambda));
    return radToDeg(std::asin(sint));
}

// Minutes of time between apparent and mean solar time.
double calcEquationOfTime(double t)
{
    const double epsilon = calcObliquityCorrection(t);
    const double l0 = degToRad(calcGeomMeanLongSun(t));
    const double e = calcEccentricityEarthOrbit(t);
    const double m = degToRad(calcGeomMeanAnomalySun(t));

    double y = std::tan(degToRad(epsilon) / 2.0);
    y *= y;

    const double sin2l0 = std::sin(2.0 * l0);
    const double sinm = std::sin(m);
    const double cos2l0 = std::cos(2.0 * l0);
    const double sin4l0 = std::sin(4.0 * l0);
    const double sin2m = std::sin(2.0 * m);

    const double etime = y * sin2l0 - 2.0 * e * sinm + 4.0 * e * y * sinm * cos2l0 - 0.5 * y * y * sin4l0 -
                         1.25 * e * e * sin2m;
    return radToDeg(etime) * 4.0;
}

// Hour angle of sunrise in radians (sunset is its negative). Where the sun stays above or below
// the horizon all day the cosine lies outside [-1, 1]; the answer is then NaN, which the caller
// reads as "no sunrise or sunset", without acos ever seeing an argument outside its domain.
double calcHourAngleSunrise(double latitude, double solarDec)
{
    const double latRad = degToRad(latitude);
    const double sdRad = degToRad(solarDec);
    const double cosHa =
        CosSunriseZenith() / (std::cos(latRad) * std::cos(sdRad)) - std::tan(latRad) * std::tan(sdRad);
    if (!(cosHa >= -1.0 && cosHa <= 1.0))
    {
        return std::nan("");
    }
    return std::acos(cosHa);
}

// Solar noon in minutes after 0h UTC; longitude in degrees, west positive.
double calcSolNoonUTC(double t, double longitude)
{
    const double tnoon = calcTimeJulianCent(calcJDFromJulianCent(t) + longitude / 360.0);
    const double eqTime1 = calcEquationOfTime(tnoon);
    const double solNoonUTC = 720.0 + longitude * 4.0 - eqTime1;

    const double newt = calcTimeJulianCent(calcJDFromJulianCent(t) - 0.5 + solNoonUTC / kMinutesPerDay);
    const double eqTime2 = calcEquationOfTime(newt);
    return 720.0 + longitude * 4.0 - eqTime2;
}

// Sunrise (sign +1) or sunset (sign -1) in minutes after 0h UTC of the Julian day; longitude west
// positive. The second pass repeats the first at the moment the first one found.
double calcSunriseSetUTC(double jd, double latitude, double longitude, double sign)
{
    const double t = calcTimeJulianCent(jd);
    const double noonmin = calcSolNoonUTC(t, longitude);
    const double tnoon = calcTimeJulianCent(jd + noonmin / kMinutesPerDay);

    double eqTime = calcEquationOfTime(tnoon);
    double solarDec = calcSunDeclination(tnoon);
    double hourAngle = sign * calcHourAngleSunrise(latitude, solarDec);
    const double timeUTC = 720.0 + 4.0 * (longitude - radToDeg(hourAngle)) - eqTime;
    // No sunrise at noon's declination: there is no moment to refine, and a time that is not a
    // number would only fail as an invalid moment in the second pass.
    if (std::isnan(timeUTC))
    {
        return timeUTC;
    }

    const double newt = calcTimeJulianCent(calcJDFromJulianCent(t) + timeUTC / kMinutesPerDay);
    eqTime = calcEquationOfTime(newt);
    solarDec = calcSunDeclination(newt);
    hourAngle = sign * calcHourAngleSunrise(latitude, solarDec);
    return 720.0 + 4.0 * (longitude - radToDeg(hourAngle)) - eqTime;
}

// Brings a finite number of minutes into one day. Stays in floating point throughout: converting a
// large double to an integer type would be undefined.
double IntoOneDay(double minutes)
{
    if (minutes < 0)
    {
        const double q = std::trunc(std::trunc(minutes) / kMinutesPerDay);
        minutes += kMinutesPerDay * (1.0 - q);
    }
    return std::fmod(minutes, kMinutesPerDay);
}
} // namespace

double calcGeomMeanLongSun(double t)
{
    const double l0 = 280.46646 + t * (36000.76983 + 0.0003032 * t);
    // An infinite longitude has no remainder either; both mean the input was no time at all.
    if (!std::isfinite(l0))
    {
        throw ApplicationException(Here());
    }
    double result = std::fmod(l0, 360.0);
    if (result < 0)
    {
        result += 360.0;
        // A tiny negative remainder rounds up to 360 itself, which belongs to the next turn.
        if (result >= 360.0)
        {
            result = 0.0;
        }
    }
    return result;
}

void CSun::GetSunriseSunset(Nullable<DateTime>& sunrise, double latitude, double longitude, DateTime date,
                            Nullable<DateTime>& sunset)
{
    sunrise.Clear();
    sunset.Clear();

    if (latitude < -90 || latitude > 90 || longitude < -180 || longitude > 180)
    {
        throw ArgumentException(Here());
    }

    // At the poles themselves the hour angle divides by cos(90°); one degree short of them the
    // answer is the same for every purpose of a weather map.
    if (latitude > 89)
    {
        latitude = 89;
    }
    else if (latitude < -89)
    {
        latitude = -89;
    }

    const double jd = calcJD(date.Year(), date.Month(), date.Day());
    const double longitudeWest = -longitude;

    double rise = calcSunriseSetUTC(jd, latitude, longitudeWest, 1.0);
    double set = calcSunriseSetUTC(jd, latitude, longitudeWest, -1.0);
    if (!std::isfinite(rise) || !std::isfinite(set))
    {
        return;
    }

    // These are the times of the local day around the date's solar noon. Far east its sunrise
    // comes before the date's 0h UTC (far west, rarely, after its end), so the sunrise that falls
    // within the date is that of the next (previous) local day. Moving the times by a whole day
    // would keep this day's declination, minutes off at high latitudes near the equinoxes; that
    // day's own times are used instead, where it has them.
    if (rise < 0 || rise >= kMinutesPerDay)
    {
        const double days = rise < 0 ? 1.0 : -1.0;
        const double otherRise =
            calcSunriseSetUTC(jd + days, latitude, longitudeWest, 1.0) + days * kMinutesPerDay;
        const double otherSet =
            calcSunriseSetUTC(jd + days, latitude, longitudeWest, -1.0) + days * kMinutesPerDay;
        if (otherRise >= 0 && otherRise < kMinutesPerDay && std::isfinite(otherSet))
        {
            rise = otherRise;
            set = otherSet;
        }
    }

    const double r = IntoOneDay(rise);
    if (!(r >= 0 && r < kMinutesPerDay))
    {
        throw ApplicationException(Here());
    }

    const double u = IntoOneDay(set - rise);
    if (!(u > 0 && u < kMinutesPerDay))
    {
        throw ApplicationException(Here());
    }

    // Both are computed before either is stored, so a failure leaves both empty.
    const DateTime day = date.Date();
    const DateTime riseTime = day + TimeSpan::FromMinutes(r);
    const DateTime setTime = day + TimeSpan::FromMinutes(r + u);
    sunrise = riseTime;
    sunset = setTime;
}

bool CSun::IsDay(DateTime now, const Nullable<DateTime>& sunrise, const Nullable<DateTime>& sunset,
                 double latitude)
{
    if (sunrise.HasValue && sunset.HasValue)
    {
        // Tick arithmetic rather than DateTime arithmetic: a window shifted past the first or the
        // last representable day is still a valid comparison, not a failure. Ticks stay far below
        // the 64-bit limits, so none of this can overflow.
        const std::int64_t at = now.Ticks();
        const std::int64_t rise = sunrise.Value().Ticks();
        const std::int64_t set = sunset.Value().Ticks();
        for (const std::int64_t shift : {std::int64_t{0}, -kOneDayTicks, kOneDayTicks})
        {
            if (at >= rise + shift && at <= set + shift)
            {
                return true;
            }
        }
        return false;
    }

    const int dayOfYear = now.DayOfYear();
    if (latitude > 60)
    {
        return dayOfYear >= 81 && dayOfYear <= 264;
    }
    if (latitude < -60)
    {
        return dayOfYear < 80 || dayOfYear > 265;
    }
    throw ApplicationException(Here());
}

void CSun::GetSubsolarPoint(DateTime instant, double& latitude, double& longitude)
{
    const DateTime day = instant.Date();
    const double minutes = static_cast<double>(instant.Ticks() - day.Ticks()) / TimeSpan::TicksPerMinute;
    const double t =
        calcTimeJulianCent(calcJD(day.Year(), day.Month(), day.Day()) + minutes / kMinutesPerDay);
    // Solar noon at longitude L (east positive) falls at 720 - 4 L - E minutes UTC, E the equation
    // of time; the sun is overhead where that is now.
    const double east = (720.0 - minutes - calcEquationOfTime(t)) / 4.0;
    const double declination = calcSunDeclination(t);
    if (!std::isfinite(east) || !std::isfinite(declination))
    {
        throw ApplicationException(Here());
    }
    double wrapped = std::fmod(east + 180.0, 360.0);
    if (wrapped < 0)
    {
        wrapped += 360.0;
    }
    latitude = declination;
    longitude = wrapped - 180.0 >= 180.0 ? -180.0 : wrapped - 180.0;
}

bool CSun::IsDay(double latitude, double longitude, DateTime now)
{
    Nullable<DateTime> sunrise;
    Nullable<DateTime> sunset;
    GetSunriseSunset(sunrise, latitude, longitude, now, sunset);
    return IsDay(now, sunrise, sunset, latitude);
}
