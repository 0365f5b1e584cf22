// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/CMessageLoop.h"

#include "platform/Log.h"

#include <algorithm>

void CMessageLoop::AddMessageFilter(CMessageFilter* filter)
{
    if (filter != nullptr && std::find(m_filters.begin(), m_filters.end(), filter) == m_filters.end())
    {
        m_filters.push_back(filter);
    }
}

void CMessageLoop::RemoveMessageFilter(CMessageFilter* filter)
{
    m_filters.erase(std::remove(m_filters.begin(), m_filters.end(), filter), m_filters.end());
}

int CMessageLoop::Run()
{
    MSG message;
    for (;;)
    {
        const BOOL result = GetMessageW(&message, nullptr, 0, 0);
        if (result == 0)
        {
            return static_cast<int>(message.wParam);
        }
        if (result == -1)
        {
            Log::Write(L"CMessageLoop::Run", L"GetMessage failed");
            return 0;
        }
        if (!PreTranslateMessage(message))
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

bool CMessageLoop::PreTranslateMessage(MSG& message)
{
    // A filter may remove itself (a dialog being destroyed), so walk a copy; the newest first.
    const std::vector<CMessageFilter*> filters = m_filters;
    for (auto it = filters.rbegin(); it != filters.rend(); ++it)
    {
        try
        {
            if ((*it)->PreTranslateMessage(message))
            {
                return true;
            }
        }
        catch (...)
        {
            Log::Exception(L"CMessageLoop::PreTranslateMessage");
        }
    }
    return false;
}
