// SPDX-License-Identifier: GPL-2.0-or-later

#include "data/COptions.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "core/Util.h"
#include "platform/GdiPlus.h"
#include "platform/Log.h"
#include "platform/UtilFile.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace
{
const char kLineEnd[] = "\r\n";

// The last name tried for a file set aside: "X.unreadable", then "X.unreadable.2" to this.
const int kMaxSetAsideNumber = 99;

bool FileExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Settings files whose content this run does not hold, by path: true for one that was there
// but could not be read, false for one read with damage the readers had to pass over (a home
// city that does not parse, a Cities.txt without a single city). Kept by path rather than in the
// object: the options dialog saves a copy of the options, and that save must protect the file
// just the same.
std::map<std::wstring, bool>& UnreadableFiles()
{
    static std::map<std::wstring, bool> paths;
    return paths;
}

bool CouldNotBeRead(const std::wstring& path)
{
    const auto found = UnreadableFiles().find(path);
    return found != UnreadableFiles().end() && found->second;
}

// Noted damage: the file is set aside before the next save replaces it.
void ReadWithDamage(const std::wstring& path, const wchar_t* what)
{
    UnreadableFiles()[path] = false;
    Log::Write(L"COptions", (path + L": " + what + L"; the file is set aside before it is saved").c_str());
}

// An editor's UTF-8 file starts with a byte-order mark. What follows it is UTF-8, turned into the
// ANSI text every reader here expects; a character the code page lacks becomes its default one.
std::string WithoutByteOrderMark(const std::string& text)
{
    static const char kMark[] = "\xEF\xBB\xBF";
    if (text.compare(0, 3, kMark) != 0)
    {
        return text;
    }
    const std::string utf8 = text.substr(3);
    if (utf8.empty() || utf8.size() > static_cast<std::size_t>(INT_MAX))
    {
        return utf8;
    }
    const int size = static_cast<int>(utf8.size());
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), wideLength);
    return Util::ToNarrow(wide);
}

// The whole settings file, waited for while another program holds it. One that is there but
// still cannot be read is remembered before the failure goes on, so that no save writes over it
// unseen; one read again later is forgotten.
std::string ReadSettingsFile(const std::wstring& path)
{
    try
    {
        std::string text = UtilFile::ReadFileAscii(path, COptions::LockedFileWait);
        UnreadableFiles().erase(path);
        return WithoutByteOrderMark(text);
    }
    catch (...)
    {
        UnreadableFiles()[path] = true;
        Log::Write(L"COptions", (path + L": could not be read; the defaults stay in force").c_str());
        throw;
    }
}

const char kBlanks[] = " \t";

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos)
    {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Moves the file at path to the first free set-aside name and returns that name; an empty name
// when the file is gone (nothing left to protect). Never overwrites an earlier set-aside copy.
// Throws ApplicationException at location when the file cannot be moved.
std::wstring SetAside(const std::wstring& path, const char* location)
{
    for (int number = 1; number <= kMaxSetAsideNumber; ++number)
    {
        std::wstring aside = path + L".unreadable";
        if (number > 1)
        {
            aside += L"." + std::to_wstring(number);
        }
        if (MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH))
        {
            Log::Write(L"COptions", (L"unreadable settings file set aside as " + aside).c_str());
            return aside;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND)
        {
            return std::wstring();
        }
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
        {
            break;
        }
    }
    ThrowApplicationException(location);
}

CPtr<Gdiplus::Font> CloneFont(const CPtr<Gdiplus::Font>& font)
{
    if (font.IsNull())
    {
        return CPtr<Gdiplus::Font>();
    }
    CPtr<Gdiplus::Font> copy(font->Clone());
    if (copy.IsNull() || copy->GetLastStatus() != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    return copy;
}

// One line of Options.txt: its key, and how its value is read into the options, written from
// them and copied between them. The table below lists the lines in the order they are written
// and read. Keys are spelt as files have always held them, misspellings included, and can never
// change.
struct Setting
{
    const char* Key;
    // Takes the value (without the blanks around it) into the options. Throws
    // ApplicationException when the value is refused; the field then keeps what it held.
    void (*Read)(COptions& options, const std::string& value);
    void (*Write)(HANDLE file, const COptions& options);
    void (*Copy)(const COptions& from, COptions& to);
    // Whether there is a line to write; null: always.
    bool (*Present)(const COptions& options) = nullptr;
    // What a file without the line means; null: the field keeps what it held.
    void (*Absent)(COptions& options) = nullptr;
    // Why a refused value is damage worth keeping the file for (it is set aside before the next
    // save); null: a refused value loses nothing the user could not set again in a moment.
    const wchar_t* Damage = nullptr;
};

template <auto Field> void CopyField(const COptions& from, COptions& to)
{
    to.*Field = from.*Field;
}

template <auto Field> void WriteField(HANDLE file, const COptions& options)
{
    Util::WriteToFileAscii(file, options.*Field);
}

template <bool COptions::*Field> Setting Flag(const char* key)
{
    return {key,
            [](COptions& options, const std::string& value)
            { options.*Field = Util::Parse<bool>(value.c_str()); },
            WriteField<Field>, CopyField<Field>};
}

// A number the program can only use inside its range; one outside it is passed over.
template <int COptions::*Field, int Min, int Max> Setting Number(const char* key)
{
    return {key,
            [](COptions& options, const std::string& value)
            {
                const int number = Util::ParseInt(value.c_str());
                if (number >= Min && number <= Max)
                {
                    options.*Field = number;
                }
            },
            WriteField<Field>, CopyField<Field>};
}

template <ArgbColor COptions::*Field> Setting Colour(const char* key)
{
    return {key,
            [](COptions& options, const std::string& value)
            { options.*Field = Util::Parse<ArgbColor>(value.c_str()); },
            WriteField<Field>, CopyField<Field>};
}

// A font with the family the user chose for it, which is written in the font's place while
// another family stands in for it.
template <CPtr<Gdiplus::Font> COptions::*Field, std::wstring COptions::*ChosenFamily>
Setting FontWithChosenFamily(const char* key)
{
    return {key,
            [](COptions& options, const std::string& value)
            { options.*Field = Util::ParseFont(value.c_str(), &(options.*ChosenFamily)); },
            [](HANDLE file, const COptions& options)
            { Util::WriteToFileAscii(file, *(options.*Field), options.*ChosenFamily); },
            [](const COptions& from, COptions& to)
            {
                to.*Field = CloneFont(from.*Field);
                to.*ChosenFamily = from.*ChosenFamily;
            }};
}

// A unit by its symbol. A file without it, or with a symbol not known, takes the unit that goes
// with the temperature choice read before it.
template <typename Unit, Unit COptions::*Field, Unit DisplayUnits::*Following, int Count>
Setting UnitChoice(const char* key)
{
    Setting setting{key,
                    [](COptions& options, const std::string& value)
                    {
                        for (int i = 0; i < Count; ++i)
                        {
                            if (value == DisplayUnits::Symbol(static_cast<Unit>(i)))
                            {
                                options.*Field = static_cast<Unit>(i);
                                return;
                            }
                        }
                        options.*Field =
                            DisplayUnits::FollowingTemperature(options.UseMetricSystem).*Following;
                    },
                    [](HANDLE file, const COptions& options)
                    { Util::WriteToFileAscii(file, DisplayUnits::Symbol(options.*Field)); },
                    CopyField<Field>};
    setting.Absent = [](COptions& options)
    { options.*Field = DisplayUnits::FollowingTemperature(options.UseMetricSystem).*Following; };
    return setting;
}

// A window's top-left corner as "x,y" (either may be negative on a monitor left of or above the
// primary one). No line means the window has not been placed yet.
template <std::optional<POINT> COptions::*Field> Setting WindowPosition(const char* key)
{
    Setting setting{key,
                    [](COptions& options, const std::string& value)
                    {
                        const size_t comma = value.find(',');
                        if (comma == std::string::npos)
                        {
                            ThrowApplicationException(Here());
                        }
                        const POINT point{Util::ParseInt(value.substr(0, comma).c_str()),
                                          Util::ParseInt(value.substr(comma + 1).c_str())};
                        options.*Field = point;
                    },
                    [](HANDLE file, const COptions& options)
                    {
                        const POINT& point = *(options.*Field);
                        Util::WriteToFileAscii(file, std::to_string(point.x) + "," + std::to_string(point.y));
                    },
                    CopyField<Field>};
    setting.Present = [](const COptions& options) { return (options.*Field).has_value(); };
    setting.Absent = [](COptions& options) { (options.*Field).reset(); };
    return setting;
}

// No HomeCity line, or an empty one, is how "no home city" is stored; a line that does not parse
// is damage, and the current home city stays.
Setting HomeCitySetting()
{
    Setting setting{"HomeCity",
                    [](COptions& options, const std::string& value)
                    {
                        if (value.empty())
                        {
                            options.HomeCity.Reset();
                            return;
                        }
                        auto city = std::make_unique<City>();
                        CityRecord::Parse(value, *city);
                        options.HomeCity = city.release();
                    },
                    [](HANDLE file, const COptions& options)
                    { Util::WriteToFileAscii(file, options.HomeCity->ToLine()); },
                    [](const COptions& from, COptions& to)
                    {
                        if (from.HomeCity.IsNull())
                        {
                            to.HomeCity.Reset();
                        }
                        else
                        {
                            to.HomeCity = new City(*from.HomeCity);
                        }
                    }};
    setting.Present = [](const COptions& options) { return !options.HomeCity.IsNull(); };
    setting.Absent = [](COptions& options) { options.HomeCity.Reset(); };
    setting.Damage = L"the HomeCity line does not parse, the home city stays as it was";
    return setting;
}

// Every line of Options.txt, in file order.
const std::vector<Setting>& Settings()
{
    static const std::vector<Setting> settings{
        HomeCitySetting(),
        Flag<&COptions::UpdateWallpaper>("UpdateWallpaper"),
        Flag<&COptions::UseMetricSystem>("UseMetricSystem"),
        Flag<&COptions::RunAtSystemStartup>("RunAtSystemStartup"),
        // By name: one not in the region list, or a background file that is gone, changes nothing.
        {"Region",
         [](COptions& options, const std::string& value)
         { MapRegion::FindByName(Util::ToWide(value), options.Region); },
         [](HANDLE file, const COptions& options) { Util::WriteToFileAscii(file, options.Region.Name); },
         CopyField<&COptions::Region>},
        {"Background",
         [](COptions& options, const std::string& value)
         { options.Background.SetByName(Util::ToWide(value)); },
         [](HANDLE file, const COptions& options) { Util::WriteToFileAscii(file, options.Background.Name); },
         CopyField<&COptions::Background>},
        Flag<&COptions::DispalyCityName>("DispalyCityName"),
        Flag<&COptions::DisplayCityTemprature>("DisplayCityTemprature"),
        // The dialog's range; the map's icon arithmetic is sized for nothing else.
        Number<&COptions::WeatherIconScale, COptions::MinWeatherIconScale, COptions::MaxWeatherIconScale>(
            "WeatherIconScale"),
        FontWithChosenFamily<&COptions::FontCityName, &COptions::FontCityNameChosenFamily>("FontCityName"),
        Colour<&COptions::ColorCityName>("ColorCityName"),
        FontWithChosenFamily<&COptions::FontCityTemprature, &COptions::FontCityTempratureChosenFamily>(
            "FontCityTemprature"),
        Colour<&COptions::ColorCityTemprature>("ColorCityTemprature"),
        Flag<&COptions::FormLocalWeather_AlwaysOnTop>("FormLocalWeather_AlwaysOnTop"),
        Number<&COptions::FormLocalWeather_Mode, 0, 2>("FormLocalWeather_Mode"),
        UnitChoice<EnumWindUnit, &COptions::WindUnit, &DisplayUnits::Wind, 4>("WindUnit"),
        UnitChoice<EnumPressureUnit, &COptions::PressureUnit, &DisplayUnits::Pressure, 2>("PressureUnit"),
        UnitChoice<EnumVisibilityUnit, &COptions::VisibilityUnit, &DisplayUnits::Visibility, 2>(
            "VisibilityUnit"),
        Flag<&COptions::ShowDayAndNight>("ShowDayAndNight"),
        Flag<&COptions::ShowTemperatureInTray>("ShowTemperatureInTray"),
        Flag<&COptions::FormLocalWeather_Visible>("FormLocalWeather_Visible"),
        WindowPosition<&COptions::FormLocalWeather_Position>("FormLocalWeather_Position"),
        Flag<&COptions::ShowWeatherAlerts>("ShowWeatherAlerts"),
    };
    return settings;
}

void WriteKey(HANDLE file, const char* key)
{
    Util::WriteToFileAscii(file, key);
    Util::WriteToFileAscii(file, "=");
}

void WriteBytes(HANDLE file, const std::string& bytes, const char* location)
{
    DWORD written = 0;
    if (bytes.size() > MAXDWORD ||
        !WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
    {
        ThrowApplicationException(location);
    }
}

// Writes the whole content to path + ".temp", puts it on disk, and only then puts it in the
// place of the real file in one step. Whatever fails on the way, the real file keeps its old
// content and the temporary file is removed. A real file that could not be read when it was
// loaded is first moved aside, and put back when the replacement fails. Failures are reported at
// the caller's location.
void SaveWhole(const std::wstring& path, const char* location, const std::function<void(HANDLE)>& write)
{
    const std::wstring temporary = path + L".temp";
    const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        ThrowApplicationException(location);
    }
    bool open = true;
    try
    {
        write(file);
        if (!FlushFileBuffers(file))
        {
            ThrowApplicationException(location);
        }
        open = false;
        if (!CloseHandle(file))
        {
            ThrowApplicationException(location);
        }
        std::wstring aside;
        if (UnreadableFiles().count(path) != 0)
        {
            aside = SetAside(path, location);
        }
        if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        {
            if (!aside.empty())
            {
                MoveFileExW(aside.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH);
            }
            ThrowApplicationException(location);
        }
        UnreadableFiles().erase(path);
    }
    catch (...)
    {
        if (open)
        {
            CloseHandle(file);
        }
        DeleteFileW(temporary.c_str());
        throw;
    }
}
} // namespace

unsigned COptions::LockedFileWait = 2000;

COptions::COptions()
    : HomeCity(new City(348400, L"KLAX", L"USA", L"Los Angeles", L"Los Angeles International Airport",
                        33.938f, -118.389f)),
      Cities(new std::vector<City>{
          City(358900, L"KMIA", L"USA", L"Miami", L"Miami International Airport", 25.791f, -80.316f),
          City(370800, L"KJFK", L"USA", L"New York", L"Kennedy International Airport", 40.639f, -73.762f),
          City(113600, L"LFPO", L"France", L"Paris", L"Orly", 48.733f, 2.400f),
          City(221800, L"LEMD", L"Spain", L"Madrid", L"Barajas", 40.450f, -3.550f),
          City(152100, L"LIRF", L"Italy", L"Roma", L"Fiumicino", 41.800f, 12.233f),
          City(163300, L"RJAA", L"Japan", L"Tokyo", L"New Tokyo International Airport", 35.767f, 140.383f),
          City(213600, L"WSSS", L"Singapore", L"Singapore", L"Changi Airport", 1.367f, 103.983f),
          City(216100, L"FAJS", L"South Africa", L"Johannesburg", L"", -26.133f, 28.233f),
          City(227400, L"ESSA", L"Sweden", L"Stockholm", L"Arlanda", 59.650f, 17.950f),
          City(79800, L"CYVR", L"Canada", L"Vancouver", L"International Airport", 49.183f, -123.167f),
          City(12100, L"YSSY", L"Australia", L"Sydney", L"", -33.950f, 151.183f),
          City(86600, L"ZBAA", L"China", L"Beijing", L"", 39.933f, 116.283f),
          City(133400, L"VHHH", L"Hong Kong", L"Hong Kong", L"", 22.333f, 114.183f),
          City(136800, L"VIDP", L"India", L"New Delhi", L"Palam", 28.567f, 77.117f),
          City(179000, L"GMMC", L"Morocco", L"Casablanca", L"", 33.567f, -7.667f),
          City(23000, L"SBBR", L"Brazil", L"Brasilia", L"", -15.867f, -47.933f),
          City(175100, L"MMMX", L"Mexico", L"Mexico City", L"Licenci", 19.433f, -99.100f),
      })
{
    // Where Arial is missing a stand-in takes its place, as for fonts read from the file. Where
    // no font is installed at all the map draws without texts rather than the program not starting.
    try
    {
        FontCityName = Util::ParseFont("Arial,6,0", &FontCityNameChosenFamily);
        FontCityTemprature = Util::ParseFont("Arial,8,1", &FontCityTempratureChosenFamily);
    }
    catch (...)
    {
        Log::Exception(L"COptions::COptions");
    }
}

COptions::COptions(CopyTag) {}

COptions::~COptions() = default;

CPtr<COptions> COptions::Clone() const
{
    CPtr<COptions> copy(new COptions(CopyTag{}));
    for (const Setting& setting : Settings())
    {
        setting.Copy(*this, *copy);
    }
    if (!Cities.IsNull())
    {
        copy->Cities = new std::vector<City>(*Cities);
    }
    return copy;
}

DisplayUnits COptions::GetDisplayUnits() const
{
    DisplayUnits units;
    units.Metric = UseMetricSystem;
    units.Wind = WindUnit;
    units.Pressure = PressureUnit;
    units.Visibility = VisibilityUnit;
    return units;
}

std::wstring COptions::Load(const AppPaths& paths)
{
    // Each file on its own: a locked Options.txt is no reason to lose the favourites.
    std::wstring unread;
    try
    {
        LoadOptions(paths.Options);
    }
    catch (...)
    {
        unread = L"Options.txt";
    }
    try
    {
        LoadCities(paths.Cities);
    }
    catch (...)
    {
        unread += unread.empty() ? L"Cities.txt" : L" and Cities.txt";
    }
    return unread;
}

void COptions::LoadOptions(const std::wstring& path)
{
    if (!FileExists(path))
    {
        return;
    }
    const std::string text = ReadSettingsFile(path);
    // Each value on its own: one missing or refused costs that setting only.
    for (const Setting& setting : Settings())
    {
        std::string value;
        try
        {
            value = ReadOptionValueAsString(text, setting.Key);
        }
        catch (const ApplicationException&)
        {
            if (setting.Absent != nullptr)
            {
                setting.Absent(*this);
            }
            continue;
        }
        try
        {
            setting.Read(*this, value);
        }
        catch (const ApplicationException&)
        {
            if (setting.Damage != nullptr)
            {
                ReadWithDamage(path, setting.Damage);
            }
        }
    }
}

void COptions::LoadCities(const std::wstring& path)
{
    if (!FileExists(path))
    {
        return;
    }
    const std::string text = ReadSettingsFile(path);

    // Cities are matched by id (downloads, lists, carrying weather over): a second city with an
    // id already taken, by the home city or an earlier line, would never get weather of its own.
    std::set<int> taken;
    if (!HomeCity.IsNull())
    {
        taken.insert(HomeCity->Id);
    }
    CPtr<std::vector<City>> cities(new std::vector<City>());
    bool anyLine = false;
    bool anyCity = false;
    std::size_t start = 0;
    while (start < text.size())
    {
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        const std::string line = Trimmed(text.substr(start, end - start));
        if (!line.empty())
        {
            anyLine = true;
            try
            {
                City city;
                CityRecord::Parse(line, city);
                anyCity = true;
                if (taken.insert(city.Id).second)
                {
                    cities->push_back(std::move(city));
                }
            }
            catch (const ApplicationException&)
            {
                // A damaged line loses that city only.
            }
        }
        start = end + 1;
    }
    // Lines and not one city among them is no list of favourites but a file this program cannot
    // read: the favourites stay as they were.
    if (anyLine && !anyCity)
    {
        ReadWithDamage(path, L"no line holds a city, the favourites stay as they were");
        return;
    }
    Cities = std::move(cities);
}

bool COptions::Save(const AppPaths& paths)
{
    try
    {
        SaveOptions(paths.Options);
        SaveCities(paths.Cities);
        ApplyRunAtSystemStartup(paths);
        return true;
    }
    catch (...)
    {
        return false;
    }
}

bool COptions::SaveOnExit(const AppPaths& paths)
{
    try
    {
        // This session never saw what such a file holds: its defaults are no reason to replace it,
        // nor to change the log-on Run value it speaks for.
        if (!CouldNotBeRead(paths.Options))
        {
            SaveOptions(paths.Options);
        }
        if (!CouldNotBeRead(paths.Cities))
        {
            SaveCities(paths.Cities);
        }
        if (!CouldNotBeRead(paths.Options))
        {
            ApplyRunAtSystemStartup(paths);
        }
        return true;
    }
    catch (...)
    {
        return false;
    }
}

void COptions::SaveOptions(const std::wstring& path) const
{
    SaveWhole(path, Here(),
              [this](HANDLE file)
              {
                  for (const Setting& setting : Settings())
                  {
                      if (setting.Present == nullptr || setting.Present(*this))
                      {
                          WriteKey(file, setting.Key);
                          setting.Write(file, *this);
                          Util::WriteToFileAscii(file, kLineEnd);
                      }
                  }
              });
}

void COptions::SaveCities(const std::wstring& path) const
{
    SaveWhole(path, Here(),
              [this](HANDLE file)
              {
                  for (const City& city : *Cities)
                  {
                      WriteBytes(file, Util::ToNarrow(city.ToLine()), Here());
                      WriteBytes(file, kLineEnd, Here());
                  }
              });
}

void COptions::ApplyRunAtSystemStartup(const AppPaths& paths)
{
    try
    {
        if (RunAtSystemStartup)
        {
            // Quoted: unquoted, a path with blanks lets Windows try "C:\Program.exe" first.
            Util::AddStartupItem(paths.ProductFolderName,
                                 L"\"" + paths.Executable + L"\" " + BackgroundArgument);
        }
        else
        {
            Util::RemoveStartupItem(paths.ProductFolderName);
        }
    }
    catch (...)
    {
        // The setting stays saved; the Run value is applied again at the next save.
    }
}

void COptions::CopyWeatherFrom(const COptions& older)
{
    const auto takeOver = [&older](City& city)
    {
        try
        {
            const City* match = nullptr;
            if (!older.HomeCity.IsNull() && older.HomeCity->Id == city.Id)
            {
                match = older.HomeCity.Get();
            }
            else if (!older.Cities.IsNull())
            {
                const auto found = std::find_if(older.Cities->begin(), older.Cities->end(),
                                                [&city](const City& other) { return other.Id == city.Id; });
                if (found != older.Cities->end())
                {
                    match = &*found;
                }
            }
            if (match != nullptr)
            {
                city.UpdateWeather(*match);
            }
        }
        catch (const ApplicationException&)
        {
        }
    };
    if (!HomeCity.IsNull())
    {
        takeOver(*HomeCity);
    }
    if (!Cities.IsNull())
    {
        for (City& city : *Cities)
        {
            takeOver(city);
        }
    }
}

std::vector<std::pair<std::wstring, int>> COptions::GetCityNames() const
{
    std::vector<std::pair<std::wstring, int>> names;
    if (!Cities.IsNull())
    {
        names.reserve(Cities->size());
        for (const City& city : *Cities)
        {
            names.emplace_back(city.DisplayName(), city.Id);
        }
    }
    std::stable_sort(names.begin(), names.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return names;
}

std::string COptions::ReadOptionValueAsString(const std::string& text, const char* key)
{
    // Only at the start of a line: a key spelled inside another value (a city named
    // "UseMetricSystem=true") must not be taken for the setting. Blanks around the key and the
    // value, and a line feed without its carriage return, are an editor's doing, not the user's.
    const std::string name(key);
    std::size_t line = 0;
    for (;;)
    {
        std::size_t at = text.find_first_not_of(kBlanks, line);
        if (at != std::string::npos && text.compare(at, name.size(), name) == 0)
        {
            at = text.find_first_not_of(kBlanks, at + name.size());
            if (at != std::string::npos && text[at] == '=')
            {
                const std::size_t start = at + 1;
                // An editor may leave the last line without its line end; that line is the user's
                // setting all the same, and dropping it would make the next save lose it for good.
                std::size_t end = std::min(text.find('\n', start), text.size());
                if (end > start && text[end - 1] == '\r')
                {
                    --end;
                }
                return Trimmed(text.substr(start, end - start));
            }
        }
        const std::size_t next = text.find('\n', line);
        if (next == std::string::npos)
        {
            break;
        }
        line = next + 1;
    }
    ThrowApplicationException(Here());
}
