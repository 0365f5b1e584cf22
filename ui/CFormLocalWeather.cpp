#include "ui/CFormLocalWeather.h"

CFormLocalWeather::CFormLocalWeather() = default;

CFormLocalWeather::~CFormLocalWeather() = default;

void CFormLocalWeather::Create() {}

void CFormLocalWeather::Redraw() {}

void CFormLocalWeather::Update(Gdiplus::Bitmap&) {}

void CFormLocalWeather::EnsureFormIsInScreenBounds() {}

void CFormLocalWeather::PreparePanelBackground() {}

void CFormLocalWeather::FreePanelBackground() {}

bool CFormLocalWeather::ProcessWindowMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}
