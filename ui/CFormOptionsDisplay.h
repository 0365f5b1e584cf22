#pragma once

#include "res/Resource.h"
#include "ui/CFormOptionsPage.h"

// The options page for the look of names, temperatures and icons, with its preview.
class CFormOptionsDisplay : public CFormOptionsPage
{
public:
    CFormOptionsDisplay(CFormOptions& owner, HINSTANCE instance)
        : CFormOptionsPage(IDD_OPTIONS_DISPLAY, owner, instance)
    {
    }
};
