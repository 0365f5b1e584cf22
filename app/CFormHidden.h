#pragma once

#include "platform/CWindowBase.h"

// The never-shown top-level window that anchors the program: it receives the commands, the
// session's end and, later, the tray icon's and the download worker's messages. Top-level, not
// message-only, so that broadcasts such as the end of the session reach it.
class CFormHidden : public CWindowBase
{
public:
    void Create();

protected:
    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool OnCommand(WORD id);
};
