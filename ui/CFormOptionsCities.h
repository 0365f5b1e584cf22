#pragma once

#include "res/Resource.h"
#include "ui/CFormOptionsPage.h"

// The options page for the favourite cities and the home city.
class CFormOptionsCities : public CFormOptionsPage
{
public:
    CFormOptionsCities(CFormOptions& owner, HINSTANCE instance)
        : CFormOptionsPage(IDD_OPTIONS_CITIES, owner, instance)
    {
    }
};
