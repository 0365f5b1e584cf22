// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/CPtr.h"
#include "platform/GdiPlus.h"
#include "res/Resource.h"
#include "ui/CFormOptionsPage.h"

struct ArgbColor;

// The options page for the look of names, temperatures and icons, with its preview.
class CFormOptionsDisplay : public CFormOptionsPage
{
public:
    CFormOptionsDisplay(CFormOptions& owner, HINSTANCE instance)
        : CFormOptionsPage(IDD_OPTIONS_DISPLAY, owner, instance)
    {
    }

    void PopulateControls(const COptions& options) override;
    // The preview draws the working copy's background too, so the earth page asks for it.
    void RepaintPreview();

    void OnBnClickedButtonCityNameFont();
    void OnBnClickedButtonTempratureFont();

protected:
    void OnInitPage() override;
    bool OnCommand(WORD id, WORD notification) override;
    bool OnPageMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void OnIconScaleScrolled();
    void OnColorClicked(ArgbColor& color);
    void OnFontClicked(CPtr<Gdiplus::Font>& font, std::wstring& chosenFamily, const char* failure);
    void DrawDisplayPreview(const DRAWITEMSTRUCT& item);

    HWND m_previewDisplay = nullptr;
    HWND m_sliderIconScale = nullptr;
    HWND m_labelIconScale = nullptr;
};
