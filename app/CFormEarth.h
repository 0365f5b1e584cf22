// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "app/CFormEarthView.h"
#include "platform/CWindowBase.h"

// The weather map's frame: a resizable window with the menu bar, whose client area is the map
// view. Created once, hidden, at start-up; closing it only hides it, and the program ends only
// through the exit command.
class CFormEarth : public CWindowBase
{
public:
    CFormEarth() = default;
    ~CFormEarth() override = default;

    // Creates the frame hidden, with its view; throws when the frame cannot be created.
    void Create();

    CFormEarthView& View() { return m_view; }

protected:
    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnCreate();
    bool OnCommand(WORD id);
    void LayoutView();

    CFormEarthView m_view;
};
