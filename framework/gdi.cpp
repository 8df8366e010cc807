#include "gdi.h"

#include <cassert>

BOOL CFont::CreateFontIndirect(const LOGFONTA* pLogFont) { return Attach(::CreateFontIndirectA(pLogFont)); }

BOOL CFont::Attach(HFONT hFont) noexcept {
    assert(!m_hObject);
    m_hObject = hFont;
    return hFont != nullptr;
}

HFONT CFont::Detach() noexcept {
    HFONT hFont = m_hObject;
    m_hObject = nullptr;
    return hFont;
}

BOOL CFont::DeleteObject() noexcept {
    if (!m_hObject)
        return FALSE;
    return ::DeleteObject(Detach());
}
