#include "main_app.h"

#include "main_dialog.h"

namespace {
CMainApp s_app;
}

// The command line is ignored.
BOOL CMainApp::InitInstance() {
    CMainDialog dlg;
    m_pMainWnd = &dlg;
    AfxOleInit();
    dlg.DoModal();
    return FALSE;
}
