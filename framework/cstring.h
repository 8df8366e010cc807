#pragma once
#include <cstdarg>
#include <cstddef>

#include "types.h"

// A reference-counted narrow string in the system's ANSI code page. Copies share
// one buffer until one of them is written to. Wide text is refused at compile time.
class CString {
public:
    CString() noexcept : m_pData(nullptr) {}
    CString(const char* psz);
    CString(const char* pch, int nLength);
    CString(const CString& other) noexcept;
    CString(CString&& other) noexcept : m_pData(other.m_pData) { other.m_pData = nullptr; }
    ~CString();

    CString& operator=(const CString& other) noexcept;
    CString& operator=(CString&& other) noexcept;
    CString& operator=(const char* psz);

    CString(const wchar_t*) = delete;
    CString& operator=(const wchar_t*) = delete;
    CString& operator+=(const wchar_t*) = delete;

    int GetLength() const noexcept;
    bool IsEmpty() const noexcept { return GetLength() == 0; }
    void Empty() noexcept;
    const char* GetString() const noexcept;
    operator const char*() const noexcept { return GetString(); }
    char GetAt(int nIndex) const;
    char operator[](int nIndex) const { return GetAt(nIndex); }

    CString& operator+=(const CString& str);
    CString& operator+=(const char* psz);
    CString& operator+=(char ch);

    // Formatting follows the C printf rules.
    void Format(const char* pszFormat, ...);
    void FormatV(const char* pszFormat, va_list args);
    void AppendFormat(const char* pszFormat, ...);

    CString Mid(int nFirst, int nCount = -1) const;
    int Find(char ch, int nStart = 0) const noexcept;
    int ReverseFind(char ch) const noexcept;

    // Direct access for APIs that write into a caller's buffer.
    char* GetBuffer(int nMinLength);
    void ReleaseBuffer(int nNewLength = -1);

private:
    struct Data;
    static Data* Allocate(int nCapacity);
    void Append(const char* pch, int nLength);
    char* PrepareWrite(int nLength, bool bKeep);
    void Release() noexcept;
    Data* m_pData;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);
bool operator==(const CString& a, const CString& b) noexcept;
bool operator==(const CString& a, const char* b) noexcept;
inline bool operator!=(const CString& a, const CString& b) noexcept { return !(a == b); }
inline bool operator!=(const CString& a, const char* b) noexcept { return !(a == b); }
