// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/Program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
    try
    {
        return Program::Main(instance, commandLine);
    }
    catch (...)
    {
        return 0;
    }
}
