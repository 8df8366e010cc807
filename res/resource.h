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

// Commands of the list's context menu, which is built at run time.
#define ID_LIST_COPY 32810
#define ID_LIST_SELECT_ALL 32811
#define ID_LIST_REMOVE 32812
