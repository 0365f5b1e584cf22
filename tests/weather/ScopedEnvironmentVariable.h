// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <windows.h>

#include <string>

// Sets an environment variable for one test and puts the old value back afterwards.
class ScopedEnvironmentVariable
{
public:
    ScopedEnvironmentVariable(const wchar_t* name, const std::wstring& value) : m_name(name)
    {
        wchar_t previous[4096];
        const DWORD length = GetEnvironmentVariableW(name, previous, 4096);
        m_hadValue = length > 0 && length < 4096;
        if (m_hadValue)
        {
            m_previous.assign(previous, length);
        }
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedEnvironmentVariable()
    {
        SetEnvironmentVariableW(m_name.c_str(), m_hadValue ? m_previous.c_str() : nullptr);
    }
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    std::wstring m_name;
    std::wstring m_previous;
    bool m_hadValue = false;
};
