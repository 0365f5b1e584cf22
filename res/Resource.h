#pragma once

// Resource and command identifiers shared by the resource script and the code.
#define ID_APP_EXIT 57665
#define ID_APP_ABOUT 57664
#define ID_OPTIONS 32815
#define ID_SHOW_EARTH 32820
#define ID_FEEDBACK 32831
#define ID_WEB_PAGE 32833
#define ID_LOCAL_WEATHER 32834

#define IDI_APPLICATION_ICON 128

// Dialogs and their controls.
#define IDD_SELECT_CITY 207
#define IDD_EDIT_CITY 208
#define IDC_LIST_CITIES 1021
#define IDC_EDIT_DISPLAY_NAME 1024
#define IDC_EDIT_DETAILS 1025
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
