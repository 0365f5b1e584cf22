// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

// Failures that are contained at a window procedure, thread start or callback leave a trace
// here: the debugger output, which costs nothing when nobody listens.
namespace Log
{
void Write(const wchar_t* where, const wchar_t* what);
void Exception(const wchar_t* where); // call inside a catch block
} // namespace Log
