// SPDX-License-Identifier: GPL-2.0-or-later

#include "tests/support/ExpectThrowAt.h"
#include "core/ApplicationException.h"
#include "weather/CForecast.h"
#include "weather/MetarParser.h"
#include "weather/NoaaDwml.h"
#include "weather/RegEx.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace
{
// The stack most threads get from the system, and no more than the download worker has: the
// parsers' limits must hold on it.
constexpr SIZE_T kWorkerStack = 1024 * 1024;

template <typename Work> struct StackRun
{
    Work* Body;
    bool Finished;
};

template <typename Work> DWORD WINAPI RunWork(void* parameter)
{
    auto* run = static_cast<StackRun<Work>*>(parameter);
    (*run->Body)();
    run->Finished = true;
    return 0;
}

// An overflow ends the program on Windows, and under Wine only the thread, silently: so the
// run counts only when the work got to its end.
template <typename Work> bool RunOnWorkerStack(Work work)
{
    StackRun<Work> run{&work, false};
    const HANDLE thread =
        CreateThread(nullptr, kWorkerStack, RunWork<Work>, &run, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == nullptr)
    {
        return false;
    }
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return run.Finished;
}

TEST(ParserStack, TheLongestInputsTakenFitAWorkerStack)
{
    const DateTime now(2007, 11, 30, 7, 0, 0);

    // The deepest document the forecast reader hands to the XML parser.
    std::string deepest = "<dwml>";
    for (int i = 1; i < NoaaDwml::MaxNesting; ++i)
    {
        deepest += "<a x='1'>";
    }
    for (int i = 1; i < NoaaDwml::MaxNesting; ++i)
    {
        deepest += "</a>";
    }
    deepest += "</dwml>";

    // The longest text the regular expressions look at, matched through to its end.
    std::string rain;
    while (rain.size() < RegEx::MaxTextLength)
    {
        rain += "RA";
    }

    // The longest observation file taken, with the longest groups that reach the recognisers.
    std::string report = "2007/11/30 05:53\nKLAX 300553Z";
    while (report.size() + MaxMetarGroupLength + 1 < MaxMetarTextLength)
    {
        report += ' ';
        report.append(rain, 0, MaxMetarGroupLength);
    }

    std::wstring dwmlFailure;
    bool matched = false;
    Nullable<EnumWeatherCode> code;
    const bool finished = RunOnWorkerStack(
        [&]
        {
            try
            {
                CForecast forecast;
                NoaaDwml::Parse12HourlyForecast(deepest, forecast, now);
            }
            catch (const ApplicationException& e)
            {
                dwmlFailure = e.Location;
            }
            catch (...)
            {
                dwmlFailure = L"another exception";
            }
            try
            {
                matched = RegEx("^((RA)|(SN))+$").Match(rain);
                code = ParseMetarReport(report, "KLAX", now).WeatherCode;
            }
            catch (...)
            {
                // Seen below as a missing result.
            }
        });
    ASSERT_TRUE(finished);
    // Read whole: the document is past the depth check and merely lacks a forecast.
    EXPECT_EQ(L"NoaaDwml::Parse12HourlyForecast", LocationFunctionPart(dwmlFailure));
    EXPECT_TRUE(matched);
    EXPECT_EQ(Rain, code.Value());
}
} // namespace
