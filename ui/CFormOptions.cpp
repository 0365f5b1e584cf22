#include "ui/CFormOptions.h"

#include "res/Resource.h"

CFormOptions::CFormOptions(HINSTANCE instance) : CDialogBase(IDD_OPTIONS, instance) {}

CFormOptions::~CFormOptions() = default;

bool CFormOptions::Create()
{
    return CDialogBase::Create(nullptr);
}

void CFormOptions::Showup(unsigned) {}

void CFormOptions::DropAndHide()
{
    if (IsWindow())
    {
        ShowWindow(Hwnd(), SW_HIDE);
    }
}

bool CFormOptions::ProcessDialogMessage(UINT, WPARAM, LPARAM, INT_PTR&)
{
    return false;
}
