// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/Log.h"

#include "core/ApplicationException.h"

#include <windows.h>

#include <exception>
#include <string>

namespace Log
{
void Write(const wchar_t* where, const wchar_t* what)
{
    std::wstring line = L"Nimbrel: ";
    line += where != nullptr ? where : L"";
    line += L": ";
    line += what != nullptr ? what : L"";
    line += L"\n";
    OutputDebugStringW(line.c_str());
}

void Exception(const wchar_t* where)
{
    try
    {
        throw;
    }
    catch (const ApplicationException& e)
    {
        Write(where, e.Location.c_str());
    }
    catch (const std::exception& e)
    {
        std::wstring what;
        for (const char* p = e.what(); *p != '\0'; ++p)
        {
            what.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
        }
        Write(where, what.c_str());
    }
    catch (...)
    {
        Write(where, L"unknown exception");
    }
}
} // namespace Log
