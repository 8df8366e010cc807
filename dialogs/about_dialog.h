#pragma once
#include "dialog.h"
#include "static_link.h"

// The About box: the logo, the version, the notice and the makers' web address as a live link.
class CAboutDialog : public CDialog {
public:
    static const CRuntimeClass s_runtimeClass;

    CAboutDialog();
    ~CAboutDialog() override;

    const CRuntimeClass* GetRuntimeClass() const override { return &s_runtimeClass; }

    CStaticLink m_wndLink;

protected:
    const MessageMap* GetMessageMap() const override { return &s_messageMap; }
    void DoDataExchange(CDataExchange* pDX) override;

    static const MessageMap s_messageMap;
};
