#include "about_dialog.h"

#include "resource.h"

const CRuntimeClass CAboutDialog::s_runtimeClass = {"CAboutDialog", &CDialog::s_runtimeClass};
const MessageMap CAboutDialog::s_messageMap = {&CDialog::s_messageMap, nullptr, 0};

CAboutDialog::CAboutDialog() : CDialog(IDD_ABOUT), m_wndLink(nullptr, FALSE) {}

CAboutDialog::~CAboutDialog() = default;

void CAboutDialog::DoDataExchange(CDataExchange* pDX) { DDX_Control(pDX, IDC_LINK, m_wndLink); }
