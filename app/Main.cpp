#include "app/Program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    try
    {
        return Program::Main(instance);
    }
    catch (...)
    {
        return 0;
    }
}
