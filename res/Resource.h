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
