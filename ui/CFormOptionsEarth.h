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
};
