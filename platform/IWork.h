// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

// A unit of background work run by CThreadPool. The pool owns it once queued and deletes it
// after Execute returns (or without running it, when the pool is shutting down).
class IWork
{
public:
    virtual void Execute() = 0;
    virtual ~IWork() = default;
};
