#pragma once
#include "dialog.h"

// The Options dialog: one check box that nothing reads. Its menu item stays greyed.
class COptionsDialog : public CDialog {
public:
    static const CRuntimeClass s_runtimeClass;

    COptionsDialog();
    ~COptionsDialog() override;

    const CRuntimeClass* GetRuntimeClass() const override { return &s_runtimeClass; }

protected:
    const MessageMap* GetMessageMap() const override { return &s_messageMap; }

    static const MessageMap s_messageMap;
};
