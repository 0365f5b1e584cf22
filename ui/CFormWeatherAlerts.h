// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "core/Nullable.h"
#include "platform/CDialogBase.h"
#include "weather/CWeatherAlert.h"

#include <windows.h>

#include <string>
#include <vector>

// The active weather alerts of every city in a list (city, event, severity, from-to), and the
// chosen one's headline, area, description and instruction in a read-only box below. Modal,
// made for one use with a copy of the alerts.
class CFormWeatherAlerts : public CDialogBase
{
public:
    struct Row
    {
        std::wstring City;
        CWeatherAlert Alert;
    };

    explicit CFormWeatherAlerts(std::vector<Row> rows, HINSTANCE instance = nullptr);

    using CDialogBase::DoModal;

    // "Dec 9, 1:45 PM" in the user's time zone and format; "--" when absent.
    static std::wstring LocalTimeText(const Nullable<DateTime>& utc);
    // The box's text for an alert: headline, area, description and instruction, with Windows
    // line ends.
    static std::wstring DetailsText(const CWeatherAlert& alert);

protected:
    bool ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void OnInitDialog();
    void ShowDetails();

    std::vector<Row> m_rows;
};
