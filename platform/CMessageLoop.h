// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "platform/CMessageFilter.h"

#include <vector>

// The user-interface thread's message loop, with filters that may consume messages first.
class CMessageLoop
{
public:
    void AddMessageFilter(CMessageFilter* filter);
    void RemoveMessageFilter(CMessageFilter* filter);

    // Runs until WM_QUIT and returns its exit code.
    int Run();

private:
    bool PreTranslateMessage(MSG& message);

    std::vector<CMessageFilter*> m_filters;
};
