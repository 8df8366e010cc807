#include "options_dialog.h"

#include "resource.h"

const CRuntimeClass COptionsDialog::s_runtimeClass = {"COptionsDialog", &CDialog::s_runtimeClass};
const MessageMap COptionsDialog::s_messageMap = {&CDialog::s_messageMap, nullptr, 0};

COptionsDialog::COptionsDialog() : CDialog(IDD_OPTIONS) {}

COptionsDialog::~COptionsDialog() = default;
