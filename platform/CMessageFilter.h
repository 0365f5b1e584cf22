// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <windows.h>

// Sees every message of the thread's loop before it is dispatched; a modeless dialog uses it to
// get keyboard navigation (IsDialogMessage). Returns true when it consumed the message.
class CMessageFilter
{
public:
    virtual bool PreTranslateMessage(MSG& message) = 0;

protected:
    ~CMessageFilter() = default;
};
