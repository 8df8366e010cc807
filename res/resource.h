#pragma once
// Resource and command ids of the window program.

#define IDD_MAIN 102
#define IDD_ABOUT 129
#define IDR_MAIN_MENU 130
#define IDD_OPTIONS 131
#define IDB_ABOUT_PICTURE 138
#define IDR_MAIN_ICON 147

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
#define IDC_FILE_LIST 1006
#define IDC_ALWAYS_ON_TOP 1009
#define IDC_LINK 1012

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
