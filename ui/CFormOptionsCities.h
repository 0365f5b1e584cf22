// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "res/Resource.h"
#include "ui/CFormOptionsPage.h"

#include <memory>

class City;
class CFormSelectCity;

// The options page for the favourite cities and the home city. It owns the city selection
// dialog, which is created on first use as a child of the options dialog and tells it the
// outcome; the options dialog passes that on to OnSelectCityOk and OnSelectCityCancel.
class CFormOptionsCities : public CFormOptionsPage
{
public:
    CFormOptionsCities(CFormOptions& owner, HINSTANCE instance);
    ~CFormOptionsCities() override;

    void PopulateControls(const COptions& options) override;

    void ChangeDisplayName();
    void OnSelectCityOk();
    void OnSelectCityCancel();

    CFormSelectCity* SelectCity() const { return m_selectCity.get(); }
    // Whether the city selection is open (the options dialog is then disabled).
    bool IsSelecting() const;
    void HideSelectCity();

    // The home city list's entries that are not cities, told apart by their item data (a city's
    // display name may read like them).
    static constexpr int OtherCityItemData = -1;
    static constexpr int SeparatorItemData = -2;

protected:
    void OnInitPage() override;
    bool OnCommand(WORD id, WORD notification) override;
    bool OnPageMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void PopulateHomeCityList();
    void PopulateCityList();
    void SelectHomeCity();
    void OnHomeCityChanged();
    void OnAddCity();
    void OnRemoveCity();
    void ShowSelectCity(int purpose);
    // The row's city id, 0 when the row cannot be read.
    int RowCityId(int row) const;
    City* FindCity(int id) const;

    std::unique_ptr<CFormSelectCity> m_selectCity;
    int m_selectionPurpose = 1;
    HWND m_comboHomeCity = nullptr;
    HWND m_listCities = nullptr;
};
