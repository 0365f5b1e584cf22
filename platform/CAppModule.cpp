// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/CAppModule.h"

CAppModule& CAppModule::Current()
{
    static CAppModule module;
    return module;
}

void CAppModule::Init(HINSTANCE instance)
{
    m_instance = instance;
}

void CAppModule::Term()
{
    m_loops.clear();
}

void CAppModule::AddMessageLoop(CMessageLoop* loop)
{
    m_loops[GetCurrentThreadId()] = loop;
}

void CAppModule::RemoveMessageLoop()
{
    m_loops.erase(GetCurrentThreadId());
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD threadId) const
{
    const auto found = m_loops.find(threadId);
    return found != m_loops.end() ? found->second : nullptr;
}
