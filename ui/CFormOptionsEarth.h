// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "res/Resource.h"
#include "ui/CFormOptionsPage.h"

// The options page for the earth background and the region, with their preview.
class CFormOptionsEarth : public CFormOptionsPage
{
public:
    CFormOptionsEarth(CFormOptions& owner, HINSTANCE instance)
        : CFormOptionsPage(IDD_OPTIONS_EARTH, owner, instance)
    {
    }

    void PopulateControls(const COptions& options) override;

protected:
    void OnInitPage() override;
    bool OnCommand(WORD id, WORD notification) override;
    bool OnPageMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void OnRegionChanged();
    void OnBackgroundChanged();
    // Both previews show the background: this page's and the display page's.
    void RepaintPreviews();
    void DrawBackgroundPreview(const DRAWITEMSTRUCT& item);

    HWND m_comboBackground = nullptr;
    HWND m_comboRegion = nullptr;
    HWND m_previewBackground = nullptr;
};
