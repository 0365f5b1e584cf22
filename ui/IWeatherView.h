// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

// A window that shows the weather and redraws when new reports have been applied: the map
// window's view and the local weather window.
class IWeatherView
{
public:
    virtual void RefreshWeather() = 0;

protected:
    ~IWeatherView() = default;
};
