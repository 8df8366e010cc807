#pragma once
#include "types.h"

// A font that the object owns: deleted with the object, or earlier by DeleteObject.
class CFont {
public:
    CFont() noexcept = default;
    ~CFont() { DeleteObject(); }
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    // FALSE when the system makes no font of it; the object must hold none yet.
    BOOL CreateFontIndirect(const LOGFONTA* pLogFont);
    // Takes ownership of hFont; the object must hold none yet.
    BOOL Attach(HFONT hFont) noexcept;
    HFONT Detach() noexcept;
    BOOL DeleteObject() noexcept;
    HFONT GetSafeHandle() const noexcept { return m_hObject; }

    HFONT m_hObject = nullptr;
};
