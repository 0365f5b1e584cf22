// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "core/Nullable.h"

// Whether the sun is up at a place, from the NOAA solar calculator equations: sunrise and sunset
// for a calendar date, refined in two passes around solar noon, and a rule by latitude and day of
// the year where the sun stays above or below the horizon all day. Stateless.
class CSun
{
public:
    // Latitude and longitude in degrees, north and east positive; the calendar date of date is
    // used. Both results are left empty when the sun does not rise or set that date; otherwise the
    // sunrise is the first one on that UTC date and the sunset the first one after it, so it may
    // fall on the next UTC date. A latitude beyond ±90 or a longitude beyond ±180 throws
    // ArgumentException; a value that is not a number throws from inside the computation.
    static void GetSunriseSunset(Nullable<DateTime>& sunrise, double latitude, double longitude,
                                 DateTime date, Nullable<DateTime>& sunset);

    // Day when now lies in the sunrise-to-sunset window or in that window moved one day either way;
    // without sunrise or sunset, the polar rule for latitudes beyond ±60 decides (anything closer
    // to the equator throws).
    static bool IsDay(DateTime now, const Nullable<DateTime>& sunrise, const Nullable<DateTime>& sunset,
                      double latitude);

    // Both of the above for the place at the instant now.
    static bool IsDay(double latitude, double longitude, DateTime now);

    // The sun's altitude, in degrees, at which GetSunriseSunset has it rise and set: its upper limb
    // on the horizon, refraction included.
    static constexpr double SunriseAltitude = 90.0 - 90.833;

    // Where the sun stands in the zenith at the instant (UTC), from the same declination and
    // equation of time as the sunrise and sunset: latitude in degrees, north positive, and
    // longitude in degrees east, in [-180, 180). Throws for an instant too far from ours to give a
    // finite position.
    static void GetSubsolarPoint(DateTime instant, double& latitude, double& longitude);
};

// The sun's geometric mean longitude in degrees, in [0, 360), for t Julian centuries since J2000.0.
// Throws when t gives no finite longitude.
double calcGeomMeanLongSun(double t);
