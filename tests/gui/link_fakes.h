#pragma once
#include <set>
#include <string>
#include <vector>

#include "static_link.h"

// Stands in for the shell, the speaker, the cursor loader and the font maker
// while it lives, and records what the links asked of them.
class FakeLinkSystem {
public:
    struct ShellCall {
        std::string strFile;
        std::string strVerb;
        bool bPlain;  // no owner, parameters or directory, and SW_SHOWNORMAL
        std::string strStored;  // the watched link's stored target during the call
    };

    FakeLinkSystem();
    ~FakeLinkSystem();
    FakeLinkSystem(const FakeLinkSystem&) = delete;
    FakeLinkSystem& operator=(const FakeLinkSystem&) = delete;

    static FakeLinkSystem& Current();

    // Targets the fake shell opens; every other one it refuses with 2 (file not found).
    std::set<std::string> m_accepted;
    const CStaticLink* m_pWatched = nullptr;
    bool m_bCursorLoadFails = false;

    std::vector<ShellCall> m_calls;
    int m_nBeeps = 0;
    int m_nCursorLoads = 0;
    int m_nFontsMade = 0;

private:
    LinkSystemCalls m_saved;
};

// Sends the mouse or the keyboard through the system's input queue, as a user would.
void ClickAt(POINT ptScreen);
void DragAndRelease(POINT ptFrom, POINT ptTo);
void PressKey(WORD nKey);
POINT ScreenCentre(HWND hWnd);
