#pragma once

#include "platform/CWindowBase.h"

// The never-shown top-level window that anchors the program: it receives the commands, the
// session's end and, later, the tray icon's and the download worker's messages. Top-level, not
// message-only, so that broadcasts such as the end of the session reach it.
class CFormHidden : public CWindowBase
{
public:
    void Create();

    // The update timer's period: one minute at first, so that downloads are considered at
    // start-up and one and two minutes later, then every fifteen minutes. Called on each tick;
    // returns the new period when it changes, else 0.
    static UINT AdvanceUpdateTimer(unsigned& tickCounter);

    static constexpr UINT_PTR UpdateTimerId = 1;
    static constexpr UINT FirstTimerPeriod = 60 * 1000;
    static constexpr UINT LaterTimerPeriod = 15 * 60 * 1000;

protected:
    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool OnCommand(WORD id);

    unsigned m_tickCounter = 0;
};
