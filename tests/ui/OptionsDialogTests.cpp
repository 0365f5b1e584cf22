// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/Program.h"
#include "data/COptions.h"
#include "data/EarthBackground.h"
#include "res/Resource.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestCatalogue.h"
#include "tests/support/TestFiles.h"
#include "ui/CFormOptions.h"
#include "ui/CFormSelectCity.h"
#include "weather/CWeatherReport.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windowsx.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace
{
using Texts = std::vector<std::wstring>;

std::vector<std::wstring> g_messages;
int WINAPI RecordMessageBox(HWND, LPCWSTR text, LPCWSTR, UINT)
{
    g_messages.emplace_back(text);
    return IDOK;
}

// What the font chooser answers next: the face, the weight, italic, the size in tenths of a point,
// and whether the user pressed OK.
struct FontAnswer
{
    std::wstring face = L"Liberation Sans";
    LONG weight = FW_NORMAL;
    bool italic = false;
    INT pointSize = 100;
    bool ok = true;
};
FontAnswer g_fontAnswer;
std::wstring g_fontOffered;
BOOL WINAPI AnswerFont(LPCHOOSEFONTW chooser)
{
    g_fontOffered = chooser->lpLogFont->lfFaceName;
    wcsncpy(chooser->lpLogFont->lfFaceName, g_fontAnswer.face.c_str(), LF_FACESIZE - 1);
    chooser->lpLogFont->lfWeight = g_fontAnswer.weight;
    chooser->lpLogFont->lfItalic = g_fontAnswer.italic;
    chooser->lpLogFont->lfUnderline = TRUE; // offered or not, never taken
    chooser->iPointSize = g_fontAnswer.pointSize;
    return g_fontAnswer.ok;
}

COLORREF g_colorOffered = 0;
BOOL WINAPI AnswerColor(LPCHOOSECOLORW chooser)
{
    g_colorOffered = chooser->rgbResult;
    chooser->rgbResult = RGB(0x12, 0x34, 0x56);
    return TRUE;
}

void Pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::string ReadAll(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The live options of these tests: Los Angeles at home, Paris and New York as favourites, all
// from the test catalogue.
CPtr<COptions> MakeLiveOptions()
{
    CPtr<COptions> options(new COptions());
    options->HomeCity = CPtr<City>(new City(5, L"KLAX", L"USA", L"Los Angeles", L"LAX", 33.94f, -118.41f));
    options->Cities->clear();
    options->Cities->push_back(City(1, L"LFPG", L"France", L"Paris", L"Charles de Gaulle", 49.01f, 2.55f));
    options->Cities->push_back(City(2, L"KJFK", L"USA", L"New York", L"Kennedy", 40.64f, -73.78f));
    options->UpdateWallpaper = false;
    return options;
}

class OptionsDialog : public testing::Test
{
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls{sizeof controls,
                                      ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        LoadCatalogue(m_folder);
        CreateDirectoryW(m_folder.File(L"Backgrounds").c_str(), nullptr);
        TestFiles::WriteImage(m_folder.File(L"Backgrounds\\Blue Marble.jpg"), L"image/jpeg", 64, 32);
        TestFiles::WriteImage(m_folder.File(L"Backgrounds\\Night.png"), L"image/png", 64, 32);
        m_backgrounds = std::make_unique<EarthBackground::ScopedFolder>(m_folder.File(L"Backgrounds\\"));
        Program::SetOptions(MakeLiveOptions());
        g_messages.clear();
        m_systemFontChooser = CFormOptions::ShowFontChooser;
        m_systemColorChooser = CFormOptions::ShowColorChooser;
        CFormOptions::ShowMessageBox = RecordMessageBox;
        CFormOptions::ShowFontChooser = AnswerFont;
        CFormOptions::ShowColorChooser = AnswerColor;
        ASSERT_TRUE(m_form.Create());
        EXPECT_FALSE(IsWindowVisible(m_form.Hwnd()));
    }

    void TearDown() override
    {
        m_form.DestroyWindow();
        Pump();
        CFormOptions::ShowMessageBox = MessageBoxW;
        CFormOptions::ShowFontChooser = m_systemFontChooser;
        CFormOptions::ShowColorChooser = m_systemColorChooser;
        Program::SetOptions(CPtr<COptions>());
        m_backgrounds.reset();
    }

    // The control of that id on whichever page holds it.
    HWND Control(int id) const
    {
        for (HWND child = GetWindow(m_form.Hwnd(), GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT))
        {
            if (const HWND control = GetDlgItem(child, id))
            {
                return control;
            }
        }
        return nullptr;
    }

    // What a click does: the box or button changes, then the page is told.
    void Click(int id, int check = -1)
    {
        const HWND control = Control(id);
        ASSERT_NE(nullptr, control);
        if (check >= 0)
        {
            Button_SetCheck(control, check);
        }
        SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(control));
    }

    void ChooseItem(int comboId, int index)
    {
        const HWND combo = Control(comboId);
        ComboBox_SetCurSel(combo, index);
        SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }

    int FindItem(int comboId, const std::wstring& text) const
    {
        const HWND combo = Control(comboId);
        for (int i = 0; i < ComboBox_GetCount(combo); ++i)
        {
            if (ItemText(combo, i) == text)
            {
                return i;
            }
        }
        return -1;
    }

    static std::wstring ItemText(HWND combo, int index)
    {
        wchar_t text[256] = L"";
        ComboBox_GetLBText(combo, index, text);
        return text;
    }

    Texts HomeCityItems() const
    {
        Texts texts;
        const HWND combo = Control(IDC_COMBO_HOME_CITY);
        for (int i = 0; i < ComboBox_GetCount(combo); ++i)
        {
            texts.push_back(ItemText(combo, i));
        }
        return texts;
    }

    std::wstring SelectedHomeItem() const
    {
        const HWND combo = Control(IDC_COMBO_HOME_CITY);
        const int index = ComboBox_GetCurSel(combo);
        return index < 0 ? L"(none)" : ItemText(combo, index);
    }

    Texts ListedCities() const
    {
        Texts texts;
        const HWND list = Control(IDC_LIST_FAVORITE_CITIES);
        for (int row = 0; row < ListView_GetItemCount(list); ++row)
        {
            wchar_t text[256] = L"";
            ListView_GetItemText(list, row, 0, text, 256);
            texts.emplace_back(text);
        }
        return texts;
    }

    void SelectListedCity(const std::wstring& name)
    {
        const HWND list = Control(IDC_LIST_FAVORITE_CITIES);
        const Texts names = ListedCities();
        for (int row = 0; row < static_cast<int>(names.size()); ++row)
        {
            if (names[row] == name)
            {
                ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
                return;
            }
        }
        ADD_FAILURE() << "no row for the city";
    }

    // Picks catalogue cities by id in the open city selection and confirms.
    void ConfirmSelection(const std::vector<int>& ids)
    {
        CFormSelectCity* select = m_form.SelectCity();
        ASSERT_NE(nullptr, select);
        ASSERT_TRUE(IsWindowVisible(select->Hwnd()));
        EXPECT_FALSE(IsWindowEnabled(m_form.Hwnd()));
        const HWND list = select->ListCities();
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        for (int row = 0; row < ListView_GetItemCount(list); ++row)
        {
            for (int id : ids)
            {
                if (select->CityIdAt(row) == id)
                {
                    ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
                }
            }
        }
        SendMessageW(select->Hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        Pump();
        EXPECT_TRUE(IsWindowEnabled(m_form.Hwnd()));
    }

    static Texts Favourites()
    {
        Texts names;
        for (const City& city : *Program::Options().Cities)
        {
            names.push_back(city.DisplayName());
        }
        return names;
    }

    Texts CopyFavourites() const
    {
        Texts names;
        for (const City& city : *m_form.WorkingCopy()->Cities)
        {
            names.push_back(city.DisplayName());
        }
        return names;
    }

    TempFolder m_folder;
    std::unique_ptr<EarthBackground::ScopedFolder> m_backgrounds;
    CFormOptions::ChooseFontFunction m_systemFontChooser = nullptr;
    CFormOptions::ChooseColorFunction m_systemColorChooser = nullptr;
    CFormOptions m_form{Program::WindowHost()};
};

TEST_F(OptionsDialog, ShowsTheLiveOptionsOnTheRequestedPage)
{
    Program::Options().UseMetricSystem = true;
    Program::Options().PressureUnit = EnumPressureUnit::Hectopascals;
    Program::Options().WeatherIconScale = 85;
    m_form.Showup(CFormOptions::PageCities);
    ASSERT_TRUE(IsWindowVisible(m_form.Hwnd()));
    ASSERT_NE(nullptr, m_form.WorkingCopy());
    EXPECT_NE(&Program::Options(), m_form.WorkingCopy());
    EXPECT_EQ(CFormOptions::PageCities, m_form.CurrentPage());
    EXPECT_TRUE(IsWindowVisible(Control(IDC_LIST_FAVORITE_CITIES)));
    EXPECT_FALSE(IsWindowVisible(Control(IDC_RADIO_CELSIUS)));

    wchar_t caption[64] = L"";
    GetWindowTextW(m_form.Hwnd(), caption, 64);
    EXPECT_STREQ(L"Nimbrel - Options", caption);
    EXPECT_EQ(BST_CHECKED, Button_GetCheck(Control(IDC_RADIO_CELSIUS)));
    EXPECT_EQ(BST_UNCHECKED, Button_GetCheck(Control(IDC_RADIO_FAHRENHEIT)));
    EXPECT_EQ(BST_UNCHECKED, Button_GetCheck(Control(IDC_CHECK_UPDATE_WALLPAPER)));
    EXPECT_EQ(BST_CHECKED, Button_GetCheck(Control(IDC_RADIO_WIND_MPH)));
    EXPECT_EQ(BST_CHECKED, Button_GetCheck(Control(IDC_RADIO_PRESSURE_HPA)));
    EXPECT_EQ(BST_CHECKED, Button_GetCheck(Control(IDC_RADIO_VISIBILITY_MILES)));
    EXPECT_EQ((Texts{L"Los Angeles", L"Other city...", L" ", L"New York", L"Paris"}), HomeCityItems());
    EXPECT_EQ(L"Los Angeles", SelectedHomeItem());
    EXPECT_EQ((Texts{L"Los Angeles", L"New York", L"Paris"}), ListedCities());
    EXPECT_EQ(85, SendMessageW(Control(IDC_SLIDER_ICON_SCALE), TBM_GETPOS, 0, 0));
    wchar_t label[16] = L"";
    GetWindowTextW(Control(IDC_LABEL_ICON_SCALE), label, 16);
    EXPECT_STREQ(L"85%", label);
    const HWND regions = Control(IDC_COMBO_REGION);
    EXPECT_EQ(L"Earth (Default)", ItemText(regions, ComboBox_GetCurSel(regions)));
    const HWND backgrounds = Control(IDC_COMBO_BACKGROUND);
    EXPECT_EQ(2, ComboBox_GetCount(backgrounds));
    EXPECT_EQ(L"Blue Marble.jpg", ItemText(backgrounds, ComboBox_GetCurSel(backgrounds)));

    // Shown again while visible: the copy and its edits stay, and without a page the tab stays.
    Click(IDC_RADIO_FAHRENHEIT, BST_CHECKED);
    Click(IDC_RADIO_WIND_KNOTS, BST_CHECKED);
    Click(IDC_RADIO_VISIBILITY_KM, BST_CHECKED);
    COptions* copy = m_form.WorkingCopy();
    m_form.Showup(Program::KeepPage);
    EXPECT_EQ(copy, m_form.WorkingCopy());
    EXPECT_FALSE(copy->UseMetricSystem);
    EXPECT_EQ(EnumWindUnit::Knots, copy->WindUnit);
    EXPECT_EQ(EnumPressureUnit::Hectopascals, copy->PressureUnit);
    EXPECT_EQ(EnumVisibilityUnit::Kilometres, copy->VisibilityUnit);
    EXPECT_EQ(BST_UNCHECKED, Button_GetCheck(Control(IDC_RADIO_WIND_MPH)));
    EXPECT_EQ(EnumWindUnit::MilesPerHour, Program::Options().WindUnit);
    EXPECT_EQ(CFormOptions::PageCities, m_form.CurrentPage());
    m_form.Showup(CFormOptions::PageDisplay);
    EXPECT_TRUE(IsWindowVisible(Control(IDC_SLIDER_ICON_SCALE)));
    EXPECT_FALSE(IsWindowVisible(Control(IDC_LIST_FAVORITE_CITIES)));
}

TEST_F(OptionsDialog, CancelAfterManyEditsLeavesTheLiveOptionsAndTheFilesAlone)
{
    // Whatever is on disk now must still be there, byte for byte.
    Program::Options().SaveOptions(m_folder.File(L"Options.txt"));
    Program::Options().SaveCities(m_folder.File(L"Cities.txt"));
    const std::string options = ReadAll(m_folder.File(L"Options.txt"));
    const std::string cities = ReadAll(m_folder.File(L"Cities.txt"));
    const std::string liveOptions = ReadAll(Program::PathOptions());
    const std::string liveCities = ReadAll(Program::PathCities());
    COptions* live = &Program::Options();

    m_form.Showup(Program::KeepPage);
    Click(IDC_RADIO_CELSIUS, BST_CHECKED);
    Click(IDC_CHECK_UPDATE_WALLPAPER, BST_CHECKED);
    Click(IDC_CHECK_SHOW_CITY_NAME, BST_UNCHECKED);
    ChooseItem(IDC_COMBO_REGION, FindItem(IDC_COMBO_REGION, L"Europe"));
    ChooseItem(IDC_COMBO_BACKGROUND, FindItem(IDC_COMBO_BACKGROUND, L"Night.png"));
    ChooseItem(IDC_COMBO_HOME_CITY, FindItem(IDC_COMBO_HOME_CITY, L"Paris"));
    SelectListedCity(L"New York");
    Click(IDC_BUTTON_REMOVE_CITY);
    Click(IDC_BUTTON_CITY_NAME_COLOR);
    Click(IDC_BUTTON_TEMPERATURE_FONT);
    COptions* copy = m_form.WorkingCopy();
    ASSERT_NE(nullptr, copy);
    EXPECT_TRUE(copy->UseMetricSystem);
    EXPECT_EQ(L"Europe", copy->Region.Name);
    EXPECT_EQ(L"Night.png", copy->Background.Name);
    EXPECT_EQ(1, copy->HomeCity->Id);
    EXPECT_EQ((Texts{L"Los Angeles"}), CopyFavourites());

    SendMessageW(m_form.Hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindowVisible(m_form.Hwnd()));
    EXPECT_EQ(nullptr, m_form.WorkingCopy());
    EXPECT_EQ(live, &Program::Options());
    EXPECT_FALSE(Program::Options().UseMetricSystem);
    EXPECT_FALSE(Program::Options().UpdateWallpaper);
    EXPECT_TRUE(Program::Options().DispalyCityName);
    EXPECT_EQ(L"Earth (Default)", Program::Options().Region.Name);
    EXPECT_EQ(5, Program::Options().HomeCity->Id);
    EXPECT_EQ((Texts{L"Paris", L"New York"}), Favourites());
    Program::Options().SaveOptions(m_folder.File(L"Options.txt"));
    Program::Options().SaveCities(m_folder.File(L"Cities.txt"));
    EXPECT_EQ(options, ReadAll(m_folder.File(L"Options.txt")));
    EXPECT_EQ(cities, ReadAll(m_folder.File(L"Cities.txt")));
    EXPECT_EQ(liveOptions, ReadAll(Program::PathOptions()));
    EXPECT_EQ(liveCities, ReadAll(Program::PathCities()));

    // The close box is a Cancel too; the next showing starts from the live options again.
    m_form.Showup(Program::KeepPage);
    EXPECT_EQ(BST_CHECKED, Button_GetCheck(Control(IDC_RADIO_FAHRENHEIT)));
    EXPECT_EQ((Texts{L"Los Angeles", L"New York", L"Paris"}), ListedCities());
    Click(IDC_RADIO_CELSIUS, BST_CHECKED);
    SendMessageW(m_form.Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(m_form.Hwnd()));
    EXPECT_FALSE(Program::Options().UseMetricSystem);
}

TEST_F(OptionsDialog, OkMakesTheCopyLiveAndKeepsWhatChangedElsewhereMeanwhile)
{
    // The per-user files are the test prefix's own; they are put back afterwards.
    const bool hadOptions = std::filesystem::exists(Program::PathOptions());
    const bool hadCities = std::filesystem::exists(Program::PathCities());
    const std::string savedOptions = ReadAll(Program::PathOptions());
    const std::string savedCities = ReadAll(Program::PathCities());

    m_form.Showup(Program::KeepPage);
    Click(IDC_RADIO_CELSIUS, BST_CHECKED);
    // A report for Paris lands in the live options while the dialog is open.
    CWeatherReport report;
    report.CityId = 1;
    report.CurrentWeather.ReportDateTime = DateTime::UtcNow();
    report.CurrentWeather.Temprature = 17.0f;
    Program::Options().Cities->front().UpdateWeather(report);
    // And the local weather window changes its mode and stays on top, from its own menu, and is
    // moved and closed.
    Program::Options().FormLocalWeather_Mode = 2;
    Program::Options().FormLocalWeather_AlwaysOnTop = true;
    Program::Options().FormLocalWeather_Position = POINT{-300, 40};
    Program::Options().FormLocalWeather_Visible = false;

    SendMessageW(m_form.Hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindowVisible(m_form.Hwnd()));
    EXPECT_EQ(nullptr, m_form.WorkingCopy());
    EXPECT_TRUE(Program::Options().UseMetricSystem);
    ASSERT_TRUE(Program::Options().Cities->front().CurrentWeather.Temprature.HasValue);
    EXPECT_FLOAT_EQ(17.0f, Program::Options().Cities->front().CurrentWeather.Temprature.Value());
    EXPECT_EQ(2, Program::Options().FormLocalWeather_Mode);
    EXPECT_TRUE(Program::Options().FormLocalWeather_AlwaysOnTop);
    ASSERT_TRUE(Program::Options().FormLocalWeather_Position.has_value());
    EXPECT_EQ(-300, Program::Options().FormLocalWeather_Position->x);
    EXPECT_FALSE(Program::Options().FormLocalWeather_Visible);
    EXPECT_NE(std::string::npos, ReadAll(Program::PathOptions()).find("UseMetricSystem=true"));

    auto restore = [](const std::wstring& path, bool existed, const std::string& bytes)
    {
        if (existed)
        {
            std::ofstream(path.c_str(), std::ios::binary) << bytes;
        }
        else
        {
            DeleteFileW(path.c_str());
        }
    };
    restore(Program::PathOptions(), hadOptions, savedOptions);
    restore(Program::PathCities(), hadCities, savedCities);
}

TEST_F(OptionsDialog, TheHomeCityListSwapsCancelsAndEmpties)
{
    m_form.Showup(CFormOptions::PageCities);

    // "Other city..." and then cancelling the selection: the home city is shown again.
    ChooseItem(IDC_COMBO_HOME_CITY, FindItem(IDC_COMBO_HOME_CITY, L"Other city..."));
    ASSERT_NE(nullptr, m_form.SelectCity());
    EXPECT_EQ(CFormSelectCity::PurposeHomeCity, m_form.SelectCity()->Purpose);
    SendMessageW(m_form.SelectCity()->Hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    Pump();
    EXPECT_EQ(L"Los Angeles", SelectedHomeItem());
    EXPECT_TRUE(IsWindowEnabled(m_form.Hwnd()));

    // The blank item is no choice.
    ChooseItem(IDC_COMBO_HOME_CITY, FindItem(IDC_COMBO_HOME_CITY, L" "));
    EXPECT_EQ(L"Los Angeles", SelectedHomeItem());

    // A favourite chosen as home swaps with the old home city, which goes to the end.
    ChooseItem(IDC_COMBO_HOME_CITY, FindItem(IDC_COMBO_HOME_CITY, L"Paris"));
    EXPECT_EQ(1, m_form.WorkingCopy()->HomeCity->Id);
    EXPECT_EQ((Texts{L"New York", L"Los Angeles"}), CopyFavourites());
    EXPECT_EQ((Texts{L"Paris", L"Other city...", L" ", L"Los Angeles", L"New York"}), HomeCityItems());
    EXPECT_EQ(L"Paris", SelectedHomeItem());

    // A catalogue city that is a favourite becomes the home city through "Other city..." as well.
    ChooseItem(IDC_COMBO_HOME_CITY, FindItem(IDC_COMBO_HOME_CITY, L"Other city..."));
    ConfirmSelection({2});
    EXPECT_EQ(2, m_form.WorkingCopy()->HomeCity->Id);
    EXPECT_EQ((Texts{L"Los Angeles", L"Paris"}), CopyFavourites());
    EXPECT_EQ(L"New York", SelectedHomeItem());

    // Removing the home city's row leaves no home city and nothing selected.
    SelectListedCity(L"New York");
    Click(IDC_BUTTON_REMOVE_CITY);
    EXPECT_TRUE(m_form.WorkingCopy()->HomeCity.IsNull());
    EXPECT_EQ((Texts{L"Other city...", L" ", L"Los Angeles", L"Paris"}), HomeCityItems());
    EXPECT_EQ(L"(none)", SelectedHomeItem());
    EXPECT_EQ((Texts{L"Los Angeles", L"Paris"}), ListedCities());

    // A new home city from the catalogue, with no home city before it.
    ChooseItem(IDC_COMBO_HOME_CITY, FindItem(IDC_COMBO_HOME_CITY, L"Other city..."));
    ConfirmSelection({6});
    EXPECT_EQ(6, m_form.WorkingCopy()->HomeCity->Id);
    EXPECT_EQ((Texts{L"Los Angeles", L"Paris"}), CopyFavourites());
    EXPECT_EQ((Texts{L"Los Angeles", L"Marseille", L"Paris"}), ListedCities());
}

TEST_F(OptionsDialog, AddingAndRemovingFavourites)
{
    m_form.Showup(CFormOptions::PageCities);

    // Nothing selected: the user is told, nothing changes.
    Click(IDC_BUTTON_REMOVE_CITY);
    Click(IDC_BUTTON_CHANGE_DISPLAY_NAME);
    EXPECT_EQ((Texts{L"Please select a city and try again.", L"Please select one city and try again."}),
              g_messages);

    // Cities already there (a favourite, the home city) are not added again.
    Click(IDC_BUTTON_ADD_CITY);
    EXPECT_EQ(CFormSelectCity::PurposeAddCities, m_form.SelectCity()->Purpose);
    ConfirmSelection({1, 5, 3, 4});
    EXPECT_EQ((Texts{L"Paris", L"New York", L"Lyon", L"london"}), CopyFavourites());
    // The list sorts itself, ignoring case as Windows does.
    EXPECT_EQ((Texts{L"london", L"Los Angeles", L"Lyon", L"New York", L"Paris"}), ListedCities());
    EXPECT_EQ((Texts{L"Los Angeles", L"Other city...", L" ", L"Lyon", L"New York", L"Paris", L"london"}),
              HomeCityItems());

    // Several rows at once; two rows selected is no single city to rename.
    SelectListedCity(L"Lyon");
    SelectListedCity(L"Paris");
    g_messages.clear();
    Click(IDC_BUTTON_CHANGE_DISPLAY_NAME);
    EXPECT_EQ((Texts{L"Please select one city and try again."}), g_messages);
    Click(IDC_BUTTON_REMOVE_CITY);
    EXPECT_EQ((Texts{L"New York", L"london"}), CopyFavourites());
    EXPECT_EQ((Texts{L"london", L"Los Angeles", L"New York"}), ListedCities());
    EXPECT_EQ(5, m_form.WorkingCopy()->HomeCity->Id);
}

// Answers the display-name dialog from inside its modal loop: a new name, then OK.
void CALLBACK RenameInEditDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    const HWND dialog = GetActiveWindow();
    if (dialog == nullptr || GetDlgItem(dialog, IDC_EDIT_DISPLAY_NAME) == nullptr)
    {
        return; // not up yet; the timer fires again
    }
    KillTimer(nullptr, timer);
    SetDlgItemTextW(dialog, IDC_EDIT_DISPLAY_NAME, L"Airport City");
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

TEST_F(OptionsDialog, ARenamedCityMovesToItsPlaceInBothLists)
{
    m_form.Showup(CFormOptions::PageCities);
    SelectListedCity(L"Paris");
    SetTimer(nullptr, 0, 20, RenameInEditDialog);
    Click(IDC_BUTTON_CHANGE_DISPLAY_NAME);
    EXPECT_EQ(L"Airport City", m_form.WorkingCopy()->Cities->front().DisplayName());
    EXPECT_EQ((Texts{L"Airport City", L"Los Angeles", L"New York"}), ListedCities());
    const HWND list = Control(IDC_LIST_FAVORITE_CITIES);
    EXPECT_EQ(1u, ListView_GetSelectedCount(list));
    EXPECT_EQ(0, ListView_GetNextItem(list, -1, LVNI_SELECTED));
    EXPECT_EQ((Texts{L"Los Angeles", L"Other city...", L" ", L"Airport City", L"New York"}), HomeCityItems());
    EXPECT_EQ(L"Paris", Program::Options().Cities->front().DisplayName());
}

TEST_F(OptionsDialog, TheIconSizeMovesInStepsWithinItsLimits)
{
    m_form.Showup(CFormOptions::PageDisplay);
    const HWND slider = Control(IDC_SLIDER_ICON_SCALE);
    EXPECT_EQ(30, SendMessageW(slider, TBM_GETRANGEMIN, 0, 0));
    EXPECT_EQ(300, SendMessageW(slider, TBM_GETRANGEMAX, 0, 0));
    EXPECT_EQ(5, SendMessageW(slider, TBM_GETLINESIZE, 0, 0));
    EXPECT_EQ(20, SendMessageW(slider, TBM_GETPAGESIZE, 0, 0));

    auto press = [slider](WPARAM key)
    {
        SendMessageW(slider, WM_KEYDOWN, key, 1);
        SendMessageW(slider, WM_KEYUP, key, 0xC0000001);
    };
    auto label = [this]
    {
        wchar_t text[16] = L"";
        GetWindowTextW(Control(IDC_LABEL_ICON_SCALE), text, 16);
        return std::wstring(text);
    };
    press(VK_RIGHT);
    EXPECT_EQ(75, m_form.WorkingCopy()->WeatherIconScale);
    EXPECT_EQ(L"75%", label());
    press(VK_NEXT);
    EXPECT_EQ(95, m_form.WorkingCopy()->WeatherIconScale);
    press(VK_END);
    EXPECT_EQ(300, m_form.WorkingCopy()->WeatherIconScale);
    press(VK_RIGHT);
    EXPECT_EQ(300, m_form.WorkingCopy()->WeatherIconScale);
    press(VK_HOME);
    EXPECT_EQ(30, m_form.WorkingCopy()->WeatherIconScale);
    EXPECT_EQ(L"30%", label());
    EXPECT_EQ(70, Program::Options().WeatherIconScale);
}

TEST_F(OptionsDialog, FontsAreRegularOrBoldAndColoursOpaque)
{
    m_form.Showup(CFormOptions::PageDisplay);
    COptions& copy = *m_form.WorkingCopy();
    copy.FontCityNameChosenFamily = L"Removed Since"; // a font that stood in until now

    for (LONG weight : {600L, 800L})
    {
        g_fontAnswer = FontAnswer{};
        g_fontAnswer.weight = weight;
        g_fontAnswer.pointSize = 125;
        Click(IDC_BUTTON_CITY_NAME_FONT);
        EXPECT_EQ(Gdiplus::FontStyleRegular, copy.FontCityName->GetStyle()) << weight;
        EXPECT_FLOAT_EQ(12.5f, copy.FontCityName->GetSize());
        EXPECT_EQ(Gdiplus::UnitPoint, copy.FontCityName->GetUnit());
        EXPECT_EQ(L"", copy.FontCityNameChosenFamily);
    }
    g_fontAnswer = FontAnswer{};
    g_fontAnswer.weight = FW_BOLD;
    g_fontAnswer.italic = true;
    Click(IDC_BUTTON_TEMPERATURE_FONT);
    EXPECT_EQ(Gdiplus::FontStyleBoldItalic, copy.FontCityTemprature->GetStyle());
    EXPECT_FALSE(g_fontOffered.empty());

    // Cancelled, or a face that does not exist: the font stays as it was.
    Gdiplus::Font* before = copy.FontCityTemprature.Get();
    g_fontAnswer.ok = false;
    Click(IDC_BUTTON_TEMPERATURE_FONT);
    EXPECT_EQ(before, copy.FontCityTemprature.Get());
    g_fontAnswer = FontAnswer{};
    g_fontAnswer.face = L"No Such Face At All";
    Click(IDC_BUTTON_TEMPERATURE_FONT);
    EXPECT_EQ(before, copy.FontCityTemprature.Get());

    copy.ColorCityName = ArgbColor{0x40FF8000u};
    Click(IDC_BUTTON_CITY_NAME_COLOR);
    EXPECT_EQ(RGB(0xFF, 0x80, 0x00), g_colorOffered);
    EXPECT_EQ(0xFF123456u, copy.ColorCityName.Value);
}

TEST_F(OptionsDialog, ThePreviewsDrawTheBackgroundAndASampleCity)
{
    m_form.Showup(CFormOptions::PageDisplay);
    const HWND preview = Control(IDC_PREVIEW_DISPLAY);
    RECT rect{};
    GetClientRect(preview, &rect);
    ASSERT_GT(rect.right, 100);
    ASSERT_GT(rect.bottom, 50);

    // Drawn into a bitmap of our own, as the control would be painted.
    const HDC screen = GetDC(nullptr);
    const HDC dc = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, rect.right, rect.bottom);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_STATIC;
    item.CtlID = IDC_PREVIEW_DISPLAY;
    item.hwndItem = preview;
    item.hDC = dc;
    item.rcItem = rect;
    SendMessageW(GetParent(preview), WM_DRAWITEM, IDC_PREVIEW_DISPLAY, reinterpret_cast<LPARAM>(&item));
    int white = 0;
    int red = 0;
    for (int y = 0; y < rect.bottom; ++y)
    {
        for (int x = 0; x < rect.right; ++x)
        {
            const COLORREF pixel = GetPixel(dc, x, y);
            white += GetRValue(pixel) > 200 && GetGValue(pixel) > 200 && GetBValue(pixel) > 200;
            red += GetRValue(pixel) > 200 && GetGValue(pixel) < 60 && GetBValue(pixel) < 60;
        }
    }
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    EXPECT_GT(white, 10); // the name
    EXPECT_GT(red, 10);   // the temperature
}
} // namespace

namespace
{
// A key as the thread's message loop hands it to the dialog first, with Ctrl and Shift held as
// told; true when the dialog took it.
bool PressInDialog(CFormOptions& form, HWND target, UINT message, WPARAM key, bool control, bool shift)
{
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = control ? 0x80 : 0;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    MSG msg{target, message, key, 1, 0, {}};
    const bool taken = form.PreTranslateMessage(msg);
    if (!taken)
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    keys[VK_CONTROL] = 0;
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    return taken;
}
} // namespace

TEST_F(OptionsDialog, TheKeyboardTurnsPagesAndReachesControlsByTheirLetters)
{
    m_form.Showup(CFormOptions::PageGeneral);
    SetForegroundWindow(m_form.Hwnd());
    SetFocus(Control(IDC_RADIO_FAHRENHEIT));

    // Ctrl+Tab round the pages; the focus follows onto the page shown.
    for (unsigned page : {CFormOptions::PageCities, CFormOptions::PageEarth, CFormOptions::PageDisplay,
                          CFormOptions::PageGeneral})
    {
        EXPECT_TRUE(PressInDialog(m_form, GetFocus(), WM_KEYDOWN, VK_TAB, true, false));
        EXPECT_EQ(page, m_form.CurrentPage());
    }
    EXPECT_TRUE(IsWindowVisible(Control(IDC_RADIO_CELSIUS)));
    EXPECT_FALSE(IsWindowVisible(Control(IDC_SLIDER_ICON_SCALE)));
    EXPECT_TRUE(IsWindowVisible(GetFocus()));
    EXPECT_TRUE(IsChild(GetParent(Control(IDC_RADIO_CELSIUS)), GetFocus()));
    // Ctrl+Shift+Tab back round, also from the OK button, which keeps the focus.
    EXPECT_TRUE(PressInDialog(m_form, GetFocus(), WM_KEYDOWN, VK_TAB, true, true));
    EXPECT_EQ(CFormOptions::PageDisplay, m_form.CurrentPage());
    EXPECT_TRUE(IsChild(GetParent(Control(IDC_SLIDER_ICON_SCALE)), GetFocus()));
    const HWND ok = GetDlgItem(m_form.Hwnd(), IDOK);
    SetFocus(ok);
    EXPECT_TRUE(PressInDialog(m_form, ok, WM_KEYDOWN, VK_TAB, true, true));
    EXPECT_EQ(CFormOptions::PageEarth, m_form.CurrentPage());
    EXPECT_EQ(ok, GetFocus());
    // Tab alone stays on the page.
    PressInDialog(m_form, ok, WM_KEYDOWN, VK_TAB, false, false);
    EXPECT_EQ(CFormOptions::PageEarth, m_form.CurrentPage());

    // Alt and a label's letter reach the list it names.
    m_form.Showup(CFormOptions::PageCities);
    SetFocus(Control(IDC_BUTTON_ADD_CITY));
    PressInDialog(m_form, GetFocus(), WM_SYSCHAR, L'h', false, false);
    EXPECT_EQ(Control(IDC_COMBO_HOME_CITY), GetFocus());
    PressInDialog(m_form, GetFocus(), WM_SYSCHAR, L'f', false, false);
    EXPECT_EQ(Control(IDC_LIST_FAVORITE_CITIES), GetFocus());
}

namespace
{
// Closes a chooser as soon as it is up, and counts that it came.
int g_choosersShown = 0;
UINT_PTR CALLBACK CloseOnceShown(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG)
    {
        ++g_choosersShown;
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }
    return 0;
}
} // namespace

// The choosers come from the common dialogs library, which the program loads only when one
// opens: both must still open.
TEST(OptionsDialogChoosers, TheSystemsFontAndColourChoosersOpen)
{
    g_choosersShown = 0;
    LOGFONTW font{};
    CHOOSEFONTW chooseFont{};
    chooseFont.lStructSize = sizeof chooseFont;
    chooseFont.lpLogFont = &font;
    chooseFont.Flags = CF_SCREENFONTS | CF_ENABLEHOOK;
    chooseFont.lpfnHook = CloseOnceShown;
    EXPECT_FALSE(CFormOptions::ShowFontChooser(&chooseFont)) << "the font chooser was not cancelled";

    COLORREF custom[16]{};
    CHOOSECOLORW chooseColor{};
    chooseColor.lStructSize = sizeof chooseColor;
    chooseColor.lpCustColors = custom;
    chooseColor.Flags = CC_ENABLEHOOK;
    chooseColor.lpfnHook = CloseOnceShown;
    EXPECT_FALSE(CFormOptions::ShowColorChooser(&chooseColor)) << "the colour chooser was not cancelled";
    EXPECT_EQ(2, g_choosersShown);
}
