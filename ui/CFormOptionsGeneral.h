// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "res/Resource.h"
#include "ui/CFormOptionsPage.h"

// The options page for the units observations are shown in, the wallpaper and the start at
// log-on.
class CFormOptionsGeneral : public CFormOptionsPage
{
public:
    CFormOptionsGeneral(CFormOptions& owner, HINSTANCE instance)
        : CFormOptionsPage(IDD_OPTIONS_GENERAL, owner, instance)
    {
    }

    void PopulateControls(const COptions& options) override;

protected:
    bool OnCommand(WORD id, WORD notification) override;

private:
    void RefreshUnitButtons();
};
