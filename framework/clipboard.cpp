#include "clipboard.h"

#include <cstring>

#include "exceptions.h"

namespace {

// Global memory the clipboard can own, freed here unless handed over.
class ClipboardBlock {
public:
    explicit ClipboardBlock(size_t nBytes) : m_hMem(::GlobalAlloc(GMEM_MOVEABLE, nBytes)) {
        if (!m_hMem)
            throw CMemoryException();
    }
    ~ClipboardBlock() {
        if (m_hMem)
            ::GlobalFree(m_hMem);
    }
    ClipboardBlock(const ClipboardBlock&) = delete;
    ClipboardBlock& operator=(const ClipboardBlock&) = delete;

    void* Lock() { return ::GlobalLock(m_hMem); }
    void Unlock() { ::GlobalUnlock(m_hMem); }
    // The clipboard owns the memory once it has taken it.
    bool HandTo(UINT nFormat) {
        if (!::SetClipboardData(nFormat, m_hMem))
            return false;
        m_hMem = nullptr;
        return true;
    }

private:
    HGLOBAL m_hMem;
};

class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND hWndOwner) : m_bOpen(::OpenClipboard(hWndOwner) != FALSE) {}
    ~OpenedClipboard() {
        if (m_bOpen)
            ::CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    bool IsOpen() const { return m_bOpen; }

private:
    bool m_bOpen;
};

}  // namespace

BOOL SetClipboardText(HWND hWndOwner, const char* pszText) {
    const size_t nBytes = std::strlen(pszText) + 1;
    ClipboardBlock narrow(nBytes);
    std::memcpy(narrow.Lock(), pszText, nBytes);
    narrow.Unlock();
    const int nChars = ::MultiByteToWideChar(CP_ACP, 0, pszText, -1, nullptr, 0);
    ClipboardBlock wide(static_cast<size_t>(nChars > 0 ? nChars : 1) * sizeof(wchar_t));
    auto* pWide = static_cast<wchar_t*>(wide.Lock());
    pWide[0] = L'\0';
    ::MultiByteToWideChar(CP_ACP, 0, pszText, -1, pWide, nChars);
    wide.Unlock();

    OpenedClipboard clipboard(hWndOwner);
    if (!clipboard.IsOpen() || !::EmptyClipboard())
        return FALSE;
    return narrow.HandTo(CF_TEXT) && wide.HandTo(CF_UNICODETEXT);
}
