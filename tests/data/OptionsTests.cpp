// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/Program.h"
#include "core/ArgumentException.h"
#include "core/Util.h"
#include "data/COptions.h"
#include "data/Data.h"
#include "platform/UtilFile.h"

#include "tests/support/ExpectThrowAt.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace
{
bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A file held open by another program: with no sharing at all it can be neither read nor moved;
// with read sharing only it can be read but not replaced.
class HeldOpen
{
public:
    explicit HeldOpen(const std::wstring& path, DWORD share = 0)
        : m_file(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr))
    {
        EXPECT_NE(INVALID_HANDLE_VALUE, m_file);
    }
    ~HeldOpen() { CloseHandle(m_file); }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;

private:
    HANDLE m_file;
};

struct ShownMessage
{
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT type;
};

std::vector<ShownMessage>& ShownMessages()
{
    static std::vector<ShownMessage> shown;
    return shown;
}

int WINAPI RecordMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    ShownMessages().push_back({owner, text, caption, type});
    return IDOK;
}

// The save's message boxes are recorded instead of shown, for one test.
class MessageBoxesRecorded
{
public:
    MessageBoxesRecorded() : m_previous(Program::ShowMessageBox)
    {
        ShownMessages().clear();
        Program::ShowMessageBox = RecordMessageBox;
    }
    ~MessageBoxesRecorded() { Program::ShowMessageBox = m_previous; }
    MessageBoxesRecorded(const MessageBoxesRecorded&) = delete;
    MessageBoxesRecorded& operator=(const MessageBoxesRecorded&) = delete;

private:
    Program::MessageBoxFunction m_previous;
};

// Locked settings files fail at once instead of being waited for, for one test.
class LockedFilesNotWaitedFor
{
public:
    explicit LockedFilesNotWaitedFor(unsigned milliseconds = 0) : m_previous(COptions::LockedFileWait)
    {
        COptions::LockedFileWait = milliseconds;
    }
    ~LockedFilesNotWaitedFor() { COptions::LockedFileWait = m_previous; }
    LockedFilesNotWaitedFor(const LockedFilesNotWaitedFor&) = delete;
    LockedFilesNotWaitedFor& operator=(const LockedFilesNotWaitedFor&) = delete;

private:
    unsigned m_previous;
};

// The per-user settings files of the test prefix are put back as they were after one test, and
// whatever the test left beside them is removed.
class UserSettingsKept
{
public:
    UserSettingsKept() : m_paths{Program::PathOptions(), Program::PathCities()}
    {
        for (const std::wstring& path : m_paths)
        {
            Clear(path);
            if (Exists(path))
            {
                std::filesystem::rename(path, Kept(path));
            }
        }
    }
    ~UserSettingsKept()
    {
        for (const std::wstring& path : m_paths)
        {
            Clear(path);
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
            if (Exists(Kept(path)))
            {
                std::filesystem::rename(Kept(path), path, ignored);
            }
        }
    }
    UserSettingsKept(const UserSettingsKept&) = delete;
    UserSettingsKept& operator=(const UserSettingsKept&) = delete;

private:
    static void Clear(const std::wstring& path)
    {
        std::error_code ignored;
        std::filesystem::remove_all(path + L".temp", ignored);
        std::filesystem::remove_all(path + L".unreadable", ignored);
        std::filesystem::remove_all(path + L".unreadable.2", ignored);
    }
    std::wstring Kept(const std::wstring& path) const
    {
        return m_folder.File(std::filesystem::path(path).filename().c_str());
    }

    TempFolder m_folder;
    std::wstring m_paths[2];
};

std::string FamilyOf(const Gdiplus::Font& font)
{
    Gdiplus::FontFamily family;
    WCHAR name[LF_FACESIZE] = L"";
    font.GetFamily(&family);
    family.GetFamilyName(name);
    return Util::ToNarrow(name);
}

std::vector<int> IdsOf(const std::vector<City>& cities)
{
    std::vector<int> ids;
    for (const City& city : cities)
    {
        ids.push_back(city.Id);
    }
    return ids;
}

// Options read from an Options.txt holding exactly text.
CPtr<COptions> LoadedFrom(const std::string& text)
{
    TempFolder folder;
    TestFiles::Write(folder.File(L"Options.txt"), text);
    CPtr<COptions> options(new COptions());
    options->LoadOptions(folder.File(L"Options.txt"));
    return options;
}

TEST(OptionsDefaults, AreTheBuiltInSettingsAndCities)
{
    const COptions options;
    ASSERT_FALSE(options.HomeCity.IsNull());
    EXPECT_EQ(L"348400;KLAX;USA;Los Angeles;Los Angeles International Airport;33.938000;-118.389000",
              options.HomeCity->ToLine());
    EXPECT_EQ((std::vector<int>{358900, 370800, 113600, 221800, 152100, 163300, 213600, 216100, 227400, 79800,
                                12100, 86600, 133400, 136800, 179000, 23000, 175100}),
              IdsOf(*options.Cities));
    EXPECT_EQ(L"175100;MMMX;Mexico;Mexico City;Licenci;19.433001;-99.099998",
              options.Cities->back().ToLine());
    EXPECT_EQ(L"216100;FAJS;South Africa;Johannesburg;;-26.132999;28.233000", options.Cities->at(7).ToLine());
    EXPECT_EQ(DateTime(1990, 1, 1, 0, 0, 0), options.Cities->front().CurrentWeather.ReportDateTime);

    TempFolder folder;
    options.SaveOptions(folder.File(L"Options.txt"));
    // Arial by name, wherever another family stands in for it.
    EXPECT_EQ(
        "HomeCity=348400;KLAX;USA;Los Angeles;Los Angeles International Airport;33.938000;-118.389000\r\n"
        "UpdateWallpaper=true\r\nUseMetricSystem=false\r\nRunAtSystemStartup=false\r\n"
        "Region=Earth (Default)\r\nBackground=Blue Marble.jpg\r\n"
        "DispalyCityName=true\r\nDisplayCityTemprature=true\r\nWeatherIconScale=70\r\n"
        "FontCityName=Arial,6.000,0\r\nColorCityName=255,255,255\r\nFontCityTemprature=Arial,8.000,1\r\n"
        "ColorCityTemprature=255,0,0\r\n"
        "FormLocalWeather_AlwaysOnTop=false\r\nFormLocalWeather_Mode=0\r\n"
        "WindUnit=mph\r\nPressureUnit=inHg\r\nVisibilityUnit=mi\r\n"
        "ShowDayAndNight=true\r\nShowTemperatureInTray=true\r\nFormLocalWeather_Visible=true\r\n"
        "ShowWeatherAlerts=true\r\n",
        UtilFile::ReadFileAscii(folder.File(L"Options.txt")));
    EXPECT_FALSE(Exists(folder.File(L"Options.txt.temp")));

    CPtr<COptions> none;
    EXPECT_THROW_AT(none->Save(Program::Paths()), ApplicationException,
                    "CPtr<class COptions>::operator -> (114)");
}

TEST(OptionsFiles, SaveAndLoadRoundTrip)
{
    TempFolder backgrounds;
    TestFiles::Write(backgrounds.File(L"Night.png"), "");
    const EarthBackground::ScopedFolder useBackgrounds(backgrounds.Path());

    COptions saved;
    saved.UpdateWallpaper = false;
    saved.UseMetricSystem = true;
    saved.RunAtSystemStartup = true;
    saved.HomeCity->DisplayName(L"Home = L.A.");
    saved.Cities->erase(saved.Cities->begin() + 2, saved.Cities->end());
    saved.Cities->push_back(City(5, L"EDDF", L"Germany", L"Frankfurt", L"Rhein-Main", 50.033f, 8.570f));
    saved.Cities->back().DisplayName(L"M\u00FCnchen-ish");
    ASSERT_TRUE(MapRegion::FindByName(L"europe", saved.Region));
    ASSERT_TRUE(saved.Background.SetByName(L"Night.png"));
    saved.DispalyCityName = false;
    saved.DisplayCityTemprature = false;
    saved.WeatherIconScale = 300;
    saved.FontCityName = Util::ParseFont("Arial,7.5,2", &saved.FontCityNameChosenFamily);
    saved.FontCityTemprature = Util::ParseFont("Courier New,11.25,3", &saved.FontCityTempratureChosenFamily);
    saved.ColorCityName = ArgbColor::FromRgb(1, 2, 3);
    saved.ColorCityTemprature = ArgbColor::FromRgb(250, 128, 0);
    saved.FormLocalWeather_AlwaysOnTop = true;
    saved.FormLocalWeather_Mode = 2;
    saved.WindUnit = EnumWindUnit::Knots;
    saved.PressureUnit = EnumPressureUnit::Hectopascals;
    saved.VisibilityUnit = EnumVisibilityUnit::Miles; // not the one Celsius brings
    saved.ShowDayAndNight = false;
    saved.ShowTemperatureInTray = false;
    saved.FormLocalWeather_Visible = false;
    saved.FormLocalWeather_Position = POINT{-1250, 37}; // a monitor left of the primary one
    saved.ShowWeatherAlerts = false;

    TempFolder folder;
    saved.SaveOptions(folder.File(L"Options.txt"));
    saved.SaveCities(folder.File(L"Cities.txt"));
    COptions loaded;
    loaded.LoadOptions(folder.File(L"Options.txt"));
    loaded.LoadCities(folder.File(L"Cities.txt"));

    EXPECT_FALSE(loaded.UpdateWallpaper);
    EXPECT_TRUE(loaded.UseMetricSystem);
    EXPECT_TRUE(loaded.RunAtSystemStartup);
    EXPECT_EQ(saved.HomeCity->ToLine(), loaded.HomeCity->ToLine());
    ASSERT_EQ(3u, loaded.Cities->size());
    for (std::size_t i = 0; i < 3; ++i)
    {
        EXPECT_EQ(saved.Cities->at(i).ToLine(), loaded.Cities->at(i).ToLine());
    }
    EXPECT_EQ(L"Europe", loaded.Region.Name);
    EXPECT_EQ(28, loaded.Region.South);
    EXPECT_EQ(L"Night.png", loaded.Background.Name);
    EXPECT_EQ(backgrounds.File(L"Night.png"), loaded.Background.Path);
    EXPECT_FALSE(loaded.DispalyCityName);
    EXPECT_FALSE(loaded.DisplayCityTemprature);
    EXPECT_EQ(300, loaded.WeatherIconScale);
    EXPECT_FLOAT_EQ(7.5f, loaded.FontCityName->GetSize());
    EXPECT_EQ(Gdiplus::FontStyleItalic, loaded.FontCityName->GetStyle());
    EXPECT_EQ(FamilyOf(*saved.FontCityName), FamilyOf(*loaded.FontCityName));
    EXPECT_FLOAT_EQ(11.25f, loaded.FontCityTemprature->GetSize());
    EXPECT_EQ(Gdiplus::FontStyleBoldItalic, loaded.FontCityTemprature->GetStyle());
    EXPECT_EQ(FamilyOf(*saved.FontCityTemprature), FamilyOf(*loaded.FontCityTemprature));
    EXPECT_EQ(saved.FontCityTempratureChosenFamily, loaded.FontCityTempratureChosenFamily);
    EXPECT_EQ(saved.ColorCityName, loaded.ColorCityName);
    EXPECT_EQ(saved.ColorCityTemprature, loaded.ColorCityTemprature);
    EXPECT_TRUE(loaded.FormLocalWeather_AlwaysOnTop);
    EXPECT_EQ(2, loaded.FormLocalWeather_Mode);
    EXPECT_EQ(EnumWindUnit::Knots, loaded.WindUnit);
    EXPECT_EQ(EnumPressureUnit::Hectopascals, loaded.PressureUnit);
    EXPECT_EQ(EnumVisibilityUnit::Miles, loaded.VisibilityUnit);
    EXPECT_FALSE(loaded.ShowDayAndNight);
    EXPECT_FALSE(loaded.ShowTemperatureInTray);
    EXPECT_FALSE(loaded.FormLocalWeather_Visible);
    ASSERT_TRUE(loaded.FormLocalWeather_Position.has_value());
    EXPECT_EQ(-1250, loaded.FormLocalWeather_Position->x);
    EXPECT_EQ(37, loaded.FormLocalWeather_Position->y);
    EXPECT_FALSE(loaded.ShowWeatherAlerts);
    EXPECT_EQ(-1250, loaded.Clone()->FormLocalWeather_Position->x);

    // A position that does not parse leaves the window to find its own place.
    EXPECT_FALSE(LoadedFrom("FormLocalWeather_Position=12\r\n")->FormLocalWeather_Position.has_value());
    EXPECT_FALSE(LoadedFrom("FormLocalWeather_Position=a,b\r\n")->FormLocalWeather_Position.has_value());

    // No home city is stored as no HomeCity line, and read back as none.
    saved.HomeCity.Reset();
    saved.SaveOptions(folder.File(L"Options.txt"));
    EXPECT_EQ(std::string::npos, UtilFile::ReadFileAscii(folder.File(L"Options.txt")).find("HomeCity"));
    loaded.LoadOptions(folder.File(L"Options.txt"));
    EXPECT_TRUE(loaded.HomeCity.IsNull());
}

TEST(OptionsFiles, AFileOfEarlierVersionsSavesBackWithOnlyTheUnitsAdded)
{
    TempFolder backgrounds;
    TestFiles::Write(backgrounds.File(L"Night.png"), "");
    const EarthBackground::ScopedFolder useBackgrounds(backgrounds.Path());
    const std::string written =
        "HomeCity=7;LFPO;France;Paris;Orly;48.500000;2.250000\r\n"
        "UpdateWallpaper=false\r\nUseMetricSystem=true\r\nRunAtSystemStartup=true\r\n"
        "Region=Europe\r\nBackground=Night.png\r\n"
        "DispalyCityName=false\r\nDisplayCityTemprature=false\r\nWeatherIconScale=150\r\n"
        "FontCityName=No Such Family Anywhere,7.500,2\r\nColorCityName=1,2,3\r\n"
        "FontCityTemprature=Arial,11.250,3\r\nColorCityTemprature=250,128,0\r\n"
        "FormLocalWeather_AlwaysOnTop=true\r\nFormLocalWeather_Mode=1\r\n";
    // Without units of their own, wind, pressure and visibility follow the Celsius chosen.
    const std::string withUnits = written + "WindUnit=km/h\r\nPressureUnit=hPa\r\nVisibilityUnit=km\r\n"
                                            "ShowDayAndNight=true\r\nShowTemperatureInTray=true\r\n"
                                            "FormLocalWeather_Visible=true\r\nShowWeatherAlerts=true\r\n";
    TempFolder folder;
    const std::wstring path = folder.File(L"Options.txt");
    TestFiles::Write(path, written);

    // Read, then written again by the options and by a copy of them.
    COptions options;
    options.LoadOptions(path);
    options.SaveOptions(path);
    EXPECT_EQ(withUnits, UtilFile::ReadFileAscii(path));
    options.Clone()->SaveOptions(path);
    EXPECT_EQ(withUnits, UtilFile::ReadFileAscii(path));

    // A unit not known follows the temperature too; one chosen stays whatever that is.
    CPtr<COptions> loaded = LoadedFrom("UseMetricSystem=true\r\nWindUnit=furlongs\r\nPressureUnit=inHg\r\n");
    EXPECT_EQ(EnumWindUnit::KilometresPerHour, loaded->WindUnit);
    EXPECT_EQ(EnumPressureUnit::InchesOfMercury, loaded->PressureUnit);
    EXPECT_EQ(EnumVisibilityUnit::Kilometres, loaded->VisibilityUnit);
    loaded = LoadedFrom("WindUnit=m/s\r\n");
    EXPECT_EQ(EnumWindUnit::MetresPerSecond, loaded->WindUnit);
    EXPECT_EQ(EnumPressureUnit::InchesOfMercury, loaded->PressureUnit);
}

TEST(OptionsFiles, DamagedOptionsKeepTheirDefaults)
{
    // A lone setting: everything else stays at its default, and without a HomeCity line there is none.
    CPtr<COptions> options = LoadedFrom("UseMetricSystem=true\r\n");
    EXPECT_TRUE(options->UseMetricSystem);
    EXPECT_TRUE(options->UpdateWallpaper);
    EXPECT_EQ(70, options->WeatherIconScale);
    EXPECT_TRUE(options->HomeCity.IsNull());

    options = LoadedFrom("HomeCity=\r\nUseMetricSystem=True\r\nFormLocalWeather_Mode=3\r\n"
                         "WeatherIconScale=-5\r\nFontCityName=Arial,0,0\r\nColorCityName=1,2\r\n"
                         "Region=NA\r\nBackground=..\\..\\Windows\\win.ini\r\nUpdateWallpaper=false");
    EXPECT_TRUE(options->HomeCity.IsNull());
    EXPECT_FALSE(options->UseMetricSystem);
    EXPECT_EQ(0, options->FormLocalWeather_Mode);
    EXPECT_EQ(70, options->WeatherIconScale);
    EXPECT_FLOAT_EQ(6.0f, options->FontCityName->GetSize());
    EXPECT_EQ(ArgbColor(0xFFFFFFFFu), options->ColorCityName);
    EXPECT_EQ(L"Earth (Default)", options->Region.Name);
    EXPECT_EQ(L"Blue Marble.jpg", options->Background.Name);
    EXPECT_FALSE(options->UpdateWallpaper); // an editor's last line, without its line end

    options = LoadedFrom("HomeCity=garbage\r\nFormLocalWeather_Mode=2\r\nWeatherIconScale= 45\r\n");
    ASSERT_FALSE(options->HomeCity.IsNull());
    EXPECT_EQ(348400, options->HomeCity->Id);
    EXPECT_EQ(2, options->FormLocalWeather_Mode);
    EXPECT_EQ(45, options->WeatherIconScale);

    // The first of duplicate keys counts, also when it is the damaged one.
    options = LoadedFrom("UseMetricSystem=true\r\nUseMetricSystem=false\r\n"
                         "WeatherIconScale=abc\r\nWeatherIconScale=120\r\n"
                         "HomeCity=7;LFPO;France;Paris;Orly;48.733;2.4\r\nHomeCity=\r\n"
                         "FormLocalWeather_Mode=1\r\nFormLocalWeather_Mode=2\r\n");
    EXPECT_TRUE(options->UseMetricSystem);
    EXPECT_EQ(70, options->WeatherIconScale);
    ASSERT_FALSE(options->HomeCity.IsNull());
    EXPECT_EQ(L"Paris", options->HomeCity->DisplayName());
    EXPECT_EQ(1, options->FormLocalWeather_Mode);

    // Garbage around and between the settings: lines without "=", bare "=", keys spelled in
    // another case or after a NUL, bytes outside ASCII, a line feed where CR LF belongs.
    const std::string nul(1, '\0');
    options = LoadedFrom("\xFF\xFE" + nul +
                         "\x01garbage\r\n=\r\n==true\r\nUseMetricSystem\r\n"
                         "usemetricsystem=true\r\nx" +
                         nul +
                         "DispalyCityName=false\r\n"
                         "UpdateWallpaper=false\nDisplayCityTemprature=false\r\n" +
                         std::string(100000, '#') + "\r\nRunAtSystemStartup=true\r\n\x9F\x80");
    EXPECT_FALSE(options->UseMetricSystem);
    EXPECT_TRUE(options->DispalyCityName);
    EXPECT_FALSE(options->UpdateWallpaper); // a line feed alone ends a line too
    EXPECT_FALSE(options->DisplayCityTemprature);
    EXPECT_TRUE(options->RunAtSystemStartup);
    EXPECT_TRUE(options->HomeCity.IsNull());

    // Keys count only at the start of a line, so a city's name cannot pass for a setting.
    options = LoadedFrom("HomeCity=1;KLAX;USA;UseMetricSystem=true;;33.938;-118.389\r\n"
                         "UseMetricSystem=false\r\nXFormLocalWeather_Mode=1\r\n");
    EXPECT_EQ(L"UseMetricSystem=true", options->HomeCity->DisplayName());
    EXPECT_FALSE(options->UseMetricSystem);
    EXPECT_EQ(0, options->FormLocalWeather_Mode);
    EXPECT_EQ("Asia", COptions::ReadOptionValueAsString("Region=Asia", "Region"));
    EXPECT_EQ("", COptions::ReadOptionValueAsString("X=1\r\nRegion=", "Region"));
    EXPECT_THROW_AT(COptions::ReadOptionValueAsString("Regions=Asia\r\n", "Region"), ApplicationException,
                    "COptions::ReadOptionValueAsString (125)");
    EXPECT_EQ("a=b", COptions::ReadOptionValueAsString("X=1\r\nRegion= a=b \r\n", "Region"));

    // A missing file leaves everything; so does one that cannot be read, through Load.
    TempFolder folder;
    COptions untouched;
    untouched.UseMetricSystem = true;
    untouched.LoadOptions(folder.File(L"Options.txt"));
    EXPECT_TRUE(untouched.UseMetricSystem);
    EXPECT_FALSE(untouched.HomeCity.IsNull());
}

TEST(OptionsFiles, AFontThatIsGoneStandsInAndKeepsItsName)
{
    // Chosen once, since uninstalled: the map draws with a stand-in, and the choice holds for
    // when the font is back.
    CPtr<COptions> options = LoadedFrom("FontCityName=No Such Family Anywhere,9.000,1\r\n");
    ASSERT_FALSE(options->FontCityName.IsNull());
    EXPECT_FLOAT_EQ(9.0f, options->FontCityName->GetSize());
    TempFolder folder;
    options->Clone()->SaveOptions(folder.File(L"Options.txt"));
    EXPECT_NE(std::string::npos, UtilFile::ReadFileAscii(folder.File(L"Options.txt"))
                                     .find("\r\nFontCityName=No Such Family Anywhere,9.000,1\r\n"));
}

TEST(OptionsFiles, DamagedCitiesLoseOnlyTheirBadLines)
{
    TempFolder folder;
    const std::wstring path = folder.File(L"Cities.txt");
    COptions options;
    options.LoadCities(path); // missing: the built-in favourites stay
    EXPECT_EQ(17u, options.Cities->size());

    TestFiles::Write(path, "1;KMIA;USA;Miami;;25.791;-80.316\r\n"
                           "2;KJFK;USA;New York\r\n"
                           "\r\n\n"
                           "3;LFPO;France;Paris;Orly;48.733;2.400\n"
                           "1;XXXX;USA;Miami again;;1;1\r\n"                  // id taken
                           "348400;KLAX;USA;Los Angeles;;33.938;-118.389\r\n" // the home city
                           "4;EGLL;UK;London;Heathrow;51.477;1e300\r\n"       // off the globe
                           "5;ESSA;Sweden;Stockholm;Arlanda;59.650;17.950");  // no line end
    options.LoadCities(path);
    EXPECT_EQ((std::vector<int>{1, 3, 5}), IdsOf(*options.Cities));
    EXPECT_EQ(L"Miami", options.Cities->front().DisplayName());

    TestFiles::Write(path, "");
    options.LoadCities(path);
    EXPECT_TRUE(options.Cities->empty());
}

TEST(OptionsFiles, AnEditorsLineEndsByteOrderMarkAndBlanksAreRead)
{
    TempFolder folder;
    const std::wstring options = folder.File(L"Options.txt");
    const std::wstring cities = folder.File(L"Cities.txt");
    TestFiles::Write(options, "\xEF\xBB\xBFHomeCity = 7;LFPO;France;Z\xC3\xBCrich;Orly;48.733;2.4 \n"
                              "  UseMetricSystem\t= true\n"
                              "FormLocalWeather_Mode =2 \r\n"
                              "Region= Europe\n");
    TestFiles::Write(cities, "\xEF\xBB\xBF"
                             "1;KMIA;USA;Miami;;25.791;-80.316\n"
                             "  3;LFPO;France;Paris;Orly;48.733;2.400  \n");
    COptions settings;
    settings.LoadOptions(options);
    settings.LoadCities(cities);
    ASSERT_FALSE(settings.HomeCity.IsNull());
    EXPECT_EQ(L"Z\u00FCrich", settings.HomeCity->DisplayName());
    EXPECT_TRUE(settings.UseMetricSystem);
    EXPECT_EQ(2, settings.FormLocalWeather_Mode);
    EXPECT_EQ(L"Europe", settings.Region.Name);
    EXPECT_EQ((std::vector<int>{1, 3}), IdsOf(*settings.Cities));

    // Written back the program's own way, with nothing set aside.
    settings.SaveOptions(options);
    settings.SaveCities(cities);
    const std::string written = UtilFile::ReadFileAscii(options);
    EXPECT_EQ(0u, written.find("HomeCity=7;LFPO;France;" + Util::ToNarrow(L"Z\u00FCrich") + ";Orly;48.733"));
    EXPECT_NE(std::string::npos, written.find("\r\nUseMetricSystem=true\r\n"));
    EXPECT_EQ(0u, UtilFile::ReadFileAscii(cities).find("1;KMIA;USA;Miami;;25.791000;-80.316002\r\n3;"));
    EXPECT_FALSE(Exists(options + L".unreadable") || Exists(cities + L".unreadable"));
}

TEST(OptionsFiles, DamageThatCostsAHomeCityOrEveryCitySetsTheFileAside)
{
    TempFolder folder;
    const std::wstring options = folder.File(L"Options.txt");
    const std::wstring cities = folder.File(L"Cities.txt");
    const std::string userOptions = "HomeCity=7;LFPO;France;Paris;Orly;48.733\r\nUseMetricSystem=true\r\n";
    const std::string userCities = "KMIA;Miami\r\n1;KJFK;USA;New York\r\n";
    TestFiles::Write(options, userOptions);
    TestFiles::Write(cities, userCities);

    COptions settings;
    settings.LoadOptions(options);
    settings.LoadCities(cities);
    EXPECT_EQ(348400, settings.HomeCity->Id);
    EXPECT_TRUE(settings.UseMetricSystem);
    EXPECT_EQ(17u, settings.Cities->size());

    settings.SaveOptions(options);
    settings.SaveCities(cities);
    EXPECT_EQ(userOptions, UtilFile::ReadFileAscii(options + L".unreadable"));
    EXPECT_EQ(userCities, UtilFile::ReadFileAscii(cities + L".unreadable"));
    settings.LoadOptions(options);
    settings.LoadCities(cities);
    settings.SaveOptions(options);
    settings.SaveCities(cities);
    EXPECT_FALSE(Exists(options + L".unreadable.2") || Exists(cities + L".unreadable.2"));

    // Blank lines only: no favourites, as for an empty file, and nothing to set aside.
    TestFiles::Write(cities, " \r\n\n");
    settings.LoadCities(cities);
    EXPECT_TRUE(settings.Cities->empty());
    settings.SaveCities(cities);
    EXPECT_FALSE(Exists(cities + L".unreadable.2"));
}

TEST(OptionsFiles, FailedSaveLeavesThePreviousFile)
{
    TempFolder folder;
    const std::wstring options = folder.File(L"Options.txt");
    const std::wstring cities = folder.File(L"Cities.txt");
    TestFiles::Write(options, "UseMetricSystem=true\r\n");
    TestFiles::Write(cities, "1;KMIA;USA;Miami;;25.791;-80.316\r\n");
    COptions settings;

    // The temporary file cannot be made.
    CreateDirectoryW(folder.File(L"Options.txt.temp").c_str(), nullptr);
    EXPECT_THROW_AT(settings.SaveOptions(options), ApplicationException, "COptions::SaveOptions (309)");
    RemoveDirectoryW(folder.File(L"Options.txt.temp").c_str());

    // Writing fails halfway: one value cannot be written, or one city cannot be stored.
    settings.FontCityTemprature.Reset();
    EXPECT_THROW_AT(settings.SaveOptions(options), ApplicationException,
                    "CPtr<class Gdiplus::Font>::operator * (108)");
    settings.Cities->at(3).Country = L"Spain;Europe";
    EXPECT_THROW_AT(settings.SaveCities(cities), ArgumentException, "CityRecord::ToLine (127)");
    EXPECT_FALSE(Exists(folder.File(L"Options.txt.temp")));
    EXPECT_FALSE(Exists(folder.File(L"Cities.txt.temp")));

    // The real file is held open by someone else: the replacement fails and says so.
    settings.FontCityTemprature = Util::ParseFont("Arial,8,1");
    const HANDLE held =
        CreateFileW(options.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_THROW_AT(settings.SaveOptions(options), ApplicationException, "COptions::SaveOptions (340)");
    CloseHandle(held);
    EXPECT_FALSE(Exists(folder.File(L"Options.txt.temp")));

    EXPECT_EQ("UseMetricSystem=true\r\n", UtilFile::ReadFileAscii(options));
    EXPECT_EQ("1;KMIA;USA;Miami;;25.791;-80.316\r\n", UtilFile::ReadFileAscii(cities));

    // Once the obstacles are gone the files are replaced.
    settings.Cities->at(3).Country = L"Spain";
    settings.SaveOptions(options);
    settings.SaveCities(cities);
    EXPECT_EQ(0u, UtilFile::ReadFileAscii(options).find("HomeCity=348400;"));
    EXPECT_EQ(0u, UtilFile::ReadFileAscii(cities).find("358900;KMIA;USA;Miami;Miami International Airport;"));
}

TEST(OptionsFiles, UnreadableFilesAreSetAsideBeforeTheyAreReplaced)
{
    const LockedFilesNotWaitedFor noWait;
    TempFolder folder;
    const std::wstring options = folder.File(L"Options.txt");
    const std::wstring cities = folder.File(L"Cities.txt");
    const std::string userOptions = "UseMetricSystem=true\r\nWeatherIconScale=150\r\n";
    const std::string userCities = "1;KMIA;USA;Miami;;25.791;-80.316\r\n";
    TestFiles::Write(options, userOptions);
    TestFiles::Write(cities, userCities);

    // Locked by another program at start-up: the defaults stay in force, and while the lock
    // lasts no save can set the files aside, so none replaces them.
    COptions settings;
    {
        const HeldOpen lockedOptions(options);
        const HeldOpen lockedCities(cities);
        EXPECT_THROW_AT(settings.LoadOptions(options), ApplicationException, "UtilFile::ReadFileAscii (12)");
        EXPECT_THROW_AT(settings.LoadCities(cities), ApplicationException, "UtilFile::ReadFileAscii (12)");
        EXPECT_FALSE(settings.UseMetricSystem);
        EXPECT_EQ(17u, settings.Cities->size());
        EXPECT_THROW_AT(settings.SaveOptions(options), ApplicationException, "COptions::SaveOptions (338)");
        EXPECT_THROW_AT(settings.SaveCities(cities), ApplicationException, "COptions::SaveCities (304)");
    }
    EXPECT_EQ(userOptions, UtilFile::ReadFileAscii(options));
    EXPECT_EQ(userCities, UtilFile::ReadFileAscii(cities));
    EXPECT_FALSE(Exists(options + L".temp") || Exists(options + L".unreadable"));
    EXPECT_FALSE(Exists(cities + L".temp") || Exists(cities + L".unreadable"));

    // Lock gone: the user's files go aside whole, the defaults take their places.
    settings.SaveOptions(options);
    settings.SaveCities(cities);
    EXPECT_EQ(userOptions, UtilFile::ReadFileAscii(options + L".unreadable"));
    EXPECT_EQ(userCities, UtilFile::ReadFileAscii(cities + L".unreadable"));
    EXPECT_NE(std::string::npos, UtilFile::ReadFileAscii(options).find("\r\nUseMetricSystem=false\r\n"));
    EXPECT_EQ(0u, UtilFile::ReadFileAscii(cities).find("358900;KMIA;"));

    // The files written since are replaced as usual, with no further copies.
    settings.UseMetricSystem = true;
    settings.SaveOptions(options);
    settings.SaveCities(cities);
    EXPECT_FALSE(Exists(options + L".unreadable.2") || Exists(cities + L".unreadable.2"));

    // Another time: the earlier copy stays, the new one takes the next free name, and so does the
    // one a copy of the options (the options dialog's) saves.
    {
        const HeldOpen locked(options);
        EXPECT_THROW(settings.LoadOptions(options), ApplicationException);
    }
    settings.SaveOptions(options);
    EXPECT_EQ(userOptions, UtilFile::ReadFileAscii(options + L".unreadable"));
    EXPECT_NE(std::string::npos,
              UtilFile::ReadFileAscii(options + L".unreadable.2").find("\r\nUseMetricSystem=true\r\n"));
    {
        const HeldOpen locked(options);
        EXPECT_THROW(settings.LoadOptions(options), ApplicationException);
    }
    settings.Clone()->SaveOptions(options);
    EXPECT_TRUE(Exists(options + L".unreadable.3"));

    // A file read successfully after a failed attempt is the user's again, and is not set aside.
    {
        const HeldOpen locked(cities);
        EXPECT_THROW(settings.LoadCities(cities), ApplicationException);
    }
    settings.LoadCities(cities);
    settings.SaveCities(cities);
    EXPECT_FALSE(Exists(cities + L".unreadable.2"));

    // With every name for a copy taken, the file is kept rather than any copy overwritten.
    for (int number = 2; number <= 99; ++number)
    {
        TestFiles::Write(cities + L".unreadable." + std::to_wstring(number), "old copy");
    }
    TestFiles::Write(cities, "2;KJFK;USA;New York;;40.639;-73.762\r\n");
    {
        const HeldOpen locked(cities);
        EXPECT_THROW(settings.LoadCities(cities), ApplicationException);
    }
    EXPECT_THROW_AT(settings.SaveCities(cities), ApplicationException, "COptions::SaveCities (304)");
    EXPECT_EQ("2;KJFK;USA;New York;;40.639;-73.762\r\n", UtilFile::ReadFileAscii(cities));
    EXPECT_EQ(userCities, UtilFile::ReadFileAscii(cities + L".unreadable"));
    EXPECT_EQ("old copy", UtilFile::ReadFileAscii(cities + L".unreadable.99"));
}

TEST(OptionsSave, FailuresAreShownOnceAndLoseNothing)
{
    const UserSettingsKept kept;
    const MessageBoxesRecorded recorded;
    const LockedFilesNotWaitedFor noWait;
    const std::wstring options = Program::PathOptions();
    const std::wstring cities = Program::PathCities();
    const std::string userOptions = "UseMetricSystem=true\r\n";
    const std::string userCities = "1;KMIA;USA;Miami;;25.791;-80.316\r\n";
    TestFiles::Write(options, userOptions);
    TestFiles::Write(cities, userCities);

    // Options.txt is locked while the program starts and still when the options are saved.
    COptions settings;
    {
        const HeldOpen locked(options);
        settings.Load(Program::Paths());
        EXPECT_FALSE(settings.UseMetricSystem);
        ASSERT_EQ(1u, settings.Cities->size());
        Program::SaveOptions(settings);
    }
    ASSERT_EQ(1u, ShownMessages().size());
    EXPECT_EQ(nullptr, ShownMessages()[0].owner);
    EXPECT_EQ(L"Could not save options.", ShownMessages()[0].text);
    EXPECT_EQ(L"Nimbrel", ShownMessages()[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), ShownMessages()[0].type);
    // The first failure stops the save: Cities.txt is not written either.
    EXPECT_EQ(userOptions, UtilFile::ReadFileAscii(options));
    EXPECT_EQ(userCities, UtilFile::ReadFileAscii(cities));
    EXPECT_FALSE(Exists(options + L".temp") || Exists(options + L".unreadable"));

    // At the next save the lock is gone: the user's Options.txt is set aside, not overwritten.
    Program::SaveOptions(settings);
    EXPECT_EQ(1u, ShownMessages().size());
    EXPECT_EQ(userOptions, UtilFile::ReadFileAscii(options + L".unreadable"));
    EXPECT_NE(std::string::npos, UtilFile::ReadFileAscii(options).find("\r\nUseMetricSystem=false\r\n"));
    EXPECT_EQ(0u, UtilFile::ReadFileAscii(cities).find("1;KMIA;USA;Miami;;25.791000;-80.316002\r\n"));

    // Held open without delete sharing, Options.txt can be read but not replaced.
    const std::string savedOptions = UtilFile::ReadFileAscii(options);
    const std::string savedCities = UtilFile::ReadFileAscii(cities);
    settings.UseMetricSystem = true;
    settings.Cities->clear();
    {
        const HeldOpen held(options, FILE_SHARE_READ);
        Program::SaveOptions(settings);
    }
    EXPECT_EQ(2u, ShownMessages().size());
    EXPECT_EQ(savedOptions, UtilFile::ReadFileAscii(options));
    EXPECT_EQ(savedCities, UtilFile::ReadFileAscii(cities));
    EXPECT_FALSE(Exists(options + L".temp"));

    // Options.txt is written, but a folder stands where Cities.txt's temporary file goes.
    ASSERT_TRUE(CreateDirectoryW((cities + L".temp").c_str(), nullptr));
    Program::SaveOptions(settings);
    RemoveDirectoryW((cities + L".temp").c_str());
    EXPECT_EQ(3u, ShownMessages().size());
    EXPECT_NE(std::string::npos, UtilFile::ReadFileAscii(options).find("\r\nUseMetricSystem=true\r\n"));
    EXPECT_EQ(savedCities, UtilFile::ReadFileAscii(cities));

    // Nothing in the way: no message, and the set-aside copy is left alone.
    Program::SaveOptions(settings);
    EXPECT_EQ(3u, ShownMessages().size());
    EXPECT_EQ("", UtilFile::ReadFileAscii(cities));
    EXPECT_EQ(userOptions, UtilFile::ReadFileAscii(options + L".unreadable"));
    EXPECT_FALSE(Exists(options + L".unreadable.2"));
}

TEST(OptionsSave, AFileLockedAtStartUpIsWaitedForThenLeftAsItIs)
{
    const UserSettingsKept kept;
    const MessageBoxesRecorded recorded;
    const std::wstring options = Program::PathOptions();
    const std::wstring cities = Program::PathCities();
    const std::string userOptions = "UseMetricSystem=true\r\nRunAtSystemStartup=true\r\n";
    TestFiles::Write(options, userOptions);
    TestFiles::Write(cities, "1;KMIA;USA;Miami;;25.791;-80.316\r\n");

    // Held for a moment, as a virus scanner does: read once it is free, without a word.
    {
        const LockedFilesNotWaitedFor waitLong(60000);
        HANDLE held = CreateFileW(options.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        const HANDLE release = CreateThread(
            nullptr, 0,
            [](void* file) -> DWORD
            {
                Sleep(300);
                CloseHandle(static_cast<HANDLE>(file));
                return 0;
            },
            held, 0, nullptr);
        ASSERT_NE(nullptr, release);
        COptions settings;
        Program::LoadOptions(settings);
        WaitForSingleObject(release, INFINITE);
        CloseHandle(release);
        EXPECT_TRUE(settings.UseMetricSystem);
        EXPECT_TRUE(ShownMessages().empty());
    }

    // Held for good: the session runs on the defaults, says so once, and its exit leaves the file
    // and the log-on Run value it speaks for as they were, while Cities.txt is saved as usual.
    const LockedFilesNotWaitedFor noWait;
    ASSERT_EQ(ERROR_SUCCESS, Util::AddStartupItem(Program::ProductFolderName, L"Nimbrel.exe"));
    COptions settings;
    {
        const HeldOpen locked(options);
        Program::LoadOptions(settings);
    }
    EXPECT_FALSE(settings.UseMetricSystem);
    ASSERT_EQ(1u, ShownMessages().size());
    EXPECT_NE(std::wstring::npos, ShownMessages()[0].text.find(L"Options.txt"));
    EXPECT_NE(std::wstring::npos, ShownMessages()[0].text.find(L"default settings"));
    settings.Cities->pop_back();
    Program::SaveOptionsOnExit(settings);
    EXPECT_EQ(1u, ShownMessages().size());
    EXPECT_EQ(userOptions, UtilFile::ReadFileAscii(options));
    EXPECT_FALSE(Exists(options + L".unreadable"));
    EXPECT_EQ("", UtilFile::ReadFileAscii(cities));
    HKEY run = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                            KEY_READ, &run));
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExW(run, Program::ProductFolderName, nullptr, nullptr, nullptr, nullptr));
    RegCloseKey(run);
    Util::RemoveStartupItem(Program::ProductFolderName);
}

TEST(OptionsCopies, CloneIsIndependentAndKeepsTheWeather)
{
    COptions original;
    original.HomeCity->CurrentWeather.ReportDateTime = DateTime(2008, 6, 1, 12, 0, 0);
    original.HomeCity->CurrentWeather.Temprature = 21.0f;
    original.Cities->front().Forecast.Items.resize(2);
    original.WeatherIconScale = 150;
    original.FormLocalWeather_Mode = 1;
    ASSERT_TRUE(MapRegion::FindByName(L"Asia", original.Region));

    CPtr<COptions> copy = original.Clone();
    EXPECT_EQ(21.0f, copy->HomeCity->CurrentWeather.Temprature.Value());
    EXPECT_EQ(2u, copy->Cities->front().Forecast.Items.size());
    EXPECT_EQ(150, copy->WeatherIconScale);
    EXPECT_EQ(1, copy->FormLocalWeather_Mode);
    EXPECT_EQ(L"Asia", copy->Region.Name);
    EXPECT_EQ(original.Background.Path, copy->Background.Path);
    EXPECT_FLOAT_EQ(8.0f, copy->FontCityTemprature->GetSize());
    EXPECT_NE(original.FontCityName.Get(), copy->FontCityName.Get());

    copy->HomeCity->DisplayName(L"Changed");
    copy->Cities->clear();
    copy->FontCityName.Reset();
    EXPECT_EQ(L"Los Angeles", original.HomeCity->DisplayName());
    EXPECT_EQ(17u, original.Cities->size());
    EXPECT_FLOAT_EQ(6.0f, original.FontCityName->GetSize());

    original.HomeCity.Reset();
    EXPECT_TRUE(original.Clone()->HomeCity.IsNull());
}

TEST(OptionsCopies, CopyWeatherFromTakesTheNewerWeatherById)
{
    COptions older;
    older.HomeCity->CurrentWeather.ReportDateTime = DateTime(2008, 6, 1, 12, 0, 0);
    older.HomeCity->CurrentWeather.Temprature = 21.0f;
    // Los Angeles also appears among the older favourites, with a later time but no temperature:
    // the older home city is looked at first.
    older.Cities->push_back(City(348400, L"KLAX", L"USA", L"Duplicate", L"", 1.0f, 1.0f));
    older.Cities->back().CurrentWeather.ReportDateTime = DateTime(2009, 1, 1, 0, 0, 0);
    older.Cities->at(2).CurrentWeather.ReportDateTime = DateTime(2008, 6, 1, 11, 0, 0); // Paris
    older.Cities->at(2).CurrentWeather.Temprature = 15.0f;

    COptions edited;
    // Paris became the home city; Los Angeles a favourite; Paris's own stored weather is newer.
    edited.HomeCity = new City(edited.Cities->at(2));
    edited.HomeCity->CurrentWeather.ReportDateTime = DateTime(2008, 6, 1, 11, 30, 0);
    edited.HomeCity->CurrentWeather.Temprature = 16.0f;
    edited.Cities->at(2) = City(348400, L"KLAX", L"USA", L"Los Angeles", L"", 33.938f, -118.389f);
    edited.Cities->push_back(City(42, L"XXXX", L"Nowhere", L"New", L"", 0.0f, 0.0f));

    edited.CopyWeatherFrom(older);
    EXPECT_EQ(16.0f, edited.HomeCity->CurrentWeather.Temprature.Value());
    EXPECT_EQ(21.0f, edited.Cities->at(2).CurrentWeather.Temprature.Value());
    EXPECT_EQ(DateTime(1990, 1, 1, 0, 0, 0), edited.Cities->back().CurrentWeather.ReportDateTime);
    EXPECT_EQ(L"Los Angeles", edited.Cities->at(2).DisplayName());
}

TEST(OptionsCopies, CityNamesAreSortedByCodeUnit)
{
    COptions options;
    options.Cities->resize(3);
    options.Cities->at(0) = City(1, L"A", L"", L"amsterdam", L"", 0.0f, 0.0f);
    options.Cities->at(1) = City(2, L"B", L"", L"Z\u00FCrich", L"", 0.0f, 0.0f);
    options.Cities->at(2) = City(3, L"C", L"", L"Zurich", L"", 0.0f, 0.0f);
    const std::vector<std::pair<std::wstring, int>> expected{
        {L"Zurich", 3}, {L"Z\u00FCrich", 2}, {L"amsterdam", 1}};
    EXPECT_EQ(expected, options.GetCityNames());
}

TEST(CatalogueFile, LoadsFromDiskAndEmptiesWhenMissing)
{
    TempFolder folder;
    TestFiles::Write(folder.File(L"CityRecords.txt"), "1;KLAX;USA;Los Angeles;LAX;33.938;-118.389\r\n"
                                                      "2;KMIA;USA;Miami;MIA;25.791\r\n"
                                                      "3;KJFK;USA;New York;JFK;40.639;-73.762\r\n");
    Data::LoadData(folder.File(L"CityRecords.txt"));
    ASSERT_EQ(2u, Data::GetCityRecords().size());
    EXPECT_EQ(L"New York", Data::GetCityRecords()[1].DisplayName());

    // Unreadable catalogues leave it empty, without a word.
    EXPECT_NO_THROW(Data::LoadData(folder.File(L"Missing.txt")));
    EXPECT_NO_THROW(Data::LoadData(folder.Path()));
    EXPECT_NO_THROW(Data::LoadData(L""));
}
} // namespace

namespace
{
std::wstring RunValue(const std::wstring& name)
{
    wchar_t value[1024] = L"";
    DWORD bytes = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", name.c_str(),
                     RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS)
    {
        return L"(none)";
    }
    return value;
}
} // namespace

// At log-on the program starts quietly in the tray; its path quoted, for the blanks in it.
TEST(OptionsFiles, TheRunValueStartsTheProgramInTheBackground)
{
    AppPaths paths;
    paths.ProductFolderName = L"NimbrelRunValueTest";
    paths.Executable = L"C:\\Program Files\\Nimbrel\\Nimbrel.exe";
    COptions options;
    options.RunAtSystemStartup = true;
    options.ApplyRunAtSystemStartup(paths);
    EXPECT_EQ(L"\"C:\\Program Files\\Nimbrel\\Nimbrel.exe\" /background", RunValue(paths.ProductFolderName));
    options.RunAtSystemStartup = false;
    options.ApplyRunAtSystemStartup(paths);
    EXPECT_EQ(L"(none)", RunValue(paths.ProductFolderName));
}
