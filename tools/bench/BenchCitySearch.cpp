// SPDX-License-Identifier: GPL-2.0-or-later
// nimbrel-bench-city-search: how long the city selection dialog takes to answer a keystroke in
// its search box, over the whole shipped catalogue.
//
//   nimbrel-bench-city-search [--catalogue FILE] [--runs N]
//
// Opens the real dialog on a hidden owner, then types a few searches into its box one character
// at a time, deletes them again the same way, and clears the box (which brings every row back),
// N times over (default 5). Each keystroke is timed from the text change to the filled list;
// prints the catalogue's size, the keystrokes, their median and the slowest in milliseconds, then
// the search alone without the list. FILE is CityRecords.txt (default: the one in the build's
// Nimbrel folder, two levels above this program).
#include "core/ApplicationException.h"
#include "core/Util.h"
#include "data/CCitySearch.h"
#include "data/Data.h"
#include "ui/CFormSelectCity.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
const char kUsage[] = "usage: nimbrel-bench-city-search [--catalogue FILE] [--runs N]\n";

std::wstring DefaultCatalogue()
{
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring path(buffer, length < MAX_PATH ? length : 0);
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + L"..\\..\\Nimbrel\\CityRecords.txt";
}

double Milliseconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

int Run(int runs)
{
    const std::size_t records = Data::GetCityRecords().size();
    if (records == 0)
    {
        std::fputs("the catalogue is empty or missing\n", stderr);
        return 1;
    }
    const HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                       nullptr, GetModuleHandleW(nullptr), nullptr);
    CFormSelectCity form(owner);
    form.Showup(CFormSelectCity::PurposeAddCities);
    const HWND box = form.SearchBox();

    // Short and long, with and without accents and blanks, rare and common.
    const std::vector<std::wstring> searches = {L"s\u00E3o paulo", L"new york", L"a",
                                                L"munchen",        L"klax",     L"united kingdom heathrow"};
    std::vector<double> times;
    double slowest = 0;
    std::wstring slowestText;
    const auto type = [&](const std::wstring& text)
    {
        const auto start = std::chrono::steady_clock::now();
        SetWindowTextW(box, text.c_str());
        times.push_back(Milliseconds(start));
        if (times.back() > slowest)
        {
            slowest = times.back();
            slowestText = text;
        }
    };
    int lastRows = 0;
    for (int run = 0; run < runs; ++run)
    {
        for (const std::wstring& search : searches)
        {
            for (std::size_t length = 1; length <= search.size(); ++length)
            {
                type(search.substr(0, length));
            }
            for (std::size_t length = search.size(); length-- > 1;)
            {
                type(search.substr(0, length));
            }
            type(L"");
            lastRows = ListView_GetItemCount(form.ListCities());
        }
    }
    SendMessageW(form.Hwnd(), WM_COMMAND, IDCANCEL, 0);
    DestroyWindow(owner);

    std::sort(times.begin(), times.end());
    std::printf("catalogue %zu rows (%d shown with an empty box), %zu keystrokes: median %.2f ms, "
                "90th percentile %.2f ms, slowest %.2f ms (\"%ls\")\n",
                records, lastRows, times.size(), times[times.size() / 2], times[times.size() * 9 / 10],
                times.back(), slowestText.c_str());

    // The matching alone, as the dialog does it for one keystroke.
    const CCitySearch search(Data::GetCityRecords());
    const auto start = std::chrono::steady_clock::now();
    std::size_t matches = 0;
    const int matchRuns = 100;
    for (int run = 0; run < matchRuns; ++run)
    {
        const std::vector<std::wstring> words = CCitySearch::Words(L"s\u00E3o p");
        for (std::size_t i = 0; i < search.Size(); ++i)
        {
            matches += search.Matches(i, words) ? 1 : 0;
        }
    }
    std::printf("search alone: %.3f ms per keystroke over the catalogue (%zu matches)\n",
                Milliseconds(start) / matchRuns, matches / matchRuns);
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    std::wstring catalogue = DefaultCatalogue();
    try
    {
        for (int i = 1; i < argc; ++i)
        {
            const std::string option = argv[i];
            if (i + 1 >= argc)
            {
                std::fputs(kUsage, stderr);
                return 2;
            }
            const char* value = argv[++i];
            if (option == "--runs")
            {
                runs = Util::ParseInt(value);
            }
            else if (option == "--catalogue")
            {
                catalogue = Util::ToWide(value);
            }
            else
            {
                std::fputs(kUsage, stderr);
                return 2;
            }
        }
        if (runs < 1)
        {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    catch (const ApplicationException&)
    {
        std::fputs(kUsage, stderr);
        return 2;
    }

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    try
    {
        Data::SetCataloguePath(catalogue);
        return Run(runs);
    }
    catch (const ApplicationException& e)
    {
        std::fprintf(stderr, "error=%ls\n", e.Location.c_str());
        return 1;
    }
}
