// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/CommandTable.h"

#include "app/Program.h"
#include "res/Resource.h"

namespace
{
struct Command
{
    WORD Id;
    unsigned Menus;
    void (*Action)(HWND window);
};

constexpr unsigned kBoth = CommandTable::TrayMenu | CommandTable::MapMenu;

const Command kCommands[] = {
    {ID_OPTIONS, kBoth, [](HWND) { Program::ShowOptions(Program::KeepPage); }},
    {ID_SHOW_EARTH, CommandTable::TrayMenu, [](HWND) { Program::ShowEarth(); }},
    {ID_LOCAL_WEATHER, kBoth, [](HWND) { Program::ShowLocalWeather(); }},
    {ID_WEATHER_ALERTS, kBoth, [](HWND) { Program::ShowWeatherAlerts(GetActiveWindow()); }},
    {ID_WEB_PAGE, kBoth, [](HWND window) { Program::OpenWebPage(window); }},
    {ID_FEEDBACK, CommandTable::MapMenu, [](HWND window) { Program::ShowFeedback(window); }},
    // The about box belongs to whatever window is active, as a dialog opened from a menu does.
    {ID_APP_ABOUT, CommandTable::MapMenu, [](HWND) { Program::ShowAbout(GetActiveWindow()); }},
    {ID_APP_EXIT, kBoth, [](HWND) { Program::OnExit(); }},
};

const Command* Find(unsigned menu, WORD id)
{
    for (const Command& command : kCommands)
    {
        if (command.Id == id && (command.Menus & menu) != 0)
        {
            return &command;
        }
    }
    return nullptr;
}
} // namespace

bool CommandTable::Offers(unsigned menu, WORD id)
{
    return Find(menu, id) != nullptr;
}

bool CommandTable::Run(unsigned menu, WORD id, HWND window)
{
    const Command* command = Find(menu, id);
    if (command == nullptr)
    {
        return false;
    }
    command->Action(window);
    return true;
}
