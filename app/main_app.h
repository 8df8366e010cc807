#pragma once
#include "app.h"

// Runs the main dialog modally; its end is the program's end.
class CMainApp : public CWinApp {
public:
    CMainApp() : CWinApp(nullptr) {}
    BOOL InitInstance() override;
};
