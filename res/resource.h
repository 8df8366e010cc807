#pragma once
// Resource and command ids of the window program.

#define IDD_MAIN 102
#define IDR_MAIN_MENU 130
#define IDR_MAIN_ICON 147

#define IDC_FILE_LIST 1006

#define ID_HELP_ABOUT 32772
#define ID_OPTIONS 32776
#define ID_ALWAYS_ON_TOP 32777
#define ID_OPEN_DIRECTORY 32790
#define ID_FILE_OPEN 57601
#define ID_FILE_CLOSE 57602
