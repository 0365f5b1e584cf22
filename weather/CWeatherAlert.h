// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/DateTime.h"
#include "core/Nullable.h"
#include "core/TypeName.h"

#include <string>

// How bad the weather service judges the event; ordered, so the worse compares greater.
enum class AlertSeverity
{
    Unknown,
    Minor,
    Moderate,
    Severe,
    Extreme,
};

// One active alert of the weather service (a warning, watch or advisory) for one place. Times
// are UTC.
class CWeatherAlert
{
public:
    std::string Id;     // the service's identifier: printable ASCII, stable for the alert's life
    std::wstring Event; // "Tornado Warning"
    std::wstring Headline;
    AlertSeverity Severity = AlertSeverity::Unknown;
    std::wstring Urgency;
    std::wstring Certainty;
    std::wstring MessageType;
    Nullable<DateTime> Effective;
    Nullable<DateTime> Onset;
    Nullable<DateTime> Expires;
    Nullable<DateTime> Ends;
    std::wstring AreaDesc;
    std::wstring Description;
    std::wstring Instruction;
    std::wstring SenderName;

    // When the alert stops counting: the end of the event when the service names one, else the
    // expiry of the message; absent when it names neither.
    Nullable<DateTime> End() const;
    // From the event's onset, or the message's effective time, when either is known.
    Nullable<DateTime> Start() const;
    bool IsOver(DateTime utcNow) const;
    // Extreme and Severe alerts are the ones worth interrupting the user for.
    bool IsSevere() const { return Severity >= AlertSeverity::Severe; }

    static const wchar_t* SeverityText(AlertSeverity severity);
    static AlertSeverity SeverityOf(const std::string& text); // Unknown for anything unexpected
};

template <> struct TypeName<CWeatherAlert>
{
    static constexpr const char* Value = "class CWeatherAlert";
};
