#pragma once

// A class's name and its base, for the window classes that carry one.
struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;

    bool IsDerivedFrom(const CRuntimeClass* pBaseClass) const noexcept {
        for (const CRuntimeClass* p = this; p; p = p->m_pBaseClass)
            if (p == pBaseClass)
                return true;
        return false;
    }
};
