#include "cstring.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "exceptions.h"

struct CString::Data {
    std::atomic<int> nRefs;
    int nLength;
    int nCapacity;
    char* Text() noexcept { return reinterpret_cast<char*>(this + 1); }
};

CString::Data* CString::Allocate(int nCapacity) {
    void* p = std::malloc(sizeof(CString::Data) + static_cast<size_t>(nCapacity) + 1);
    if (!p)
        throw CMemoryException();
    auto* pData = static_cast<CString::Data*>(p);
    pData->nRefs.store(1, std::memory_order_relaxed);
    pData->nLength = 0;
    pData->nCapacity = nCapacity;
    pData->Text()[0] = '\0';
    return pData;
}

CString::CString(const char* psz) : m_pData(nullptr) {
    if (psz)
        Append(psz, static_cast<int>(std::strlen(psz)));
}

CString::CString(const char* pch, int nLength) : m_pData(nullptr) {
    if (pch && nLength > 0)
        Append(pch, nLength);
}

CString::CString(const CString& other) noexcept : m_pData(other.m_pData) {
    if (m_pData)
        m_pData->nRefs.fetch_add(1, std::memory_order_relaxed);
}

CString::~CString() { Release(); }

void CString::Release() noexcept {
    if (m_pData && m_pData->nRefs.fetch_sub(1, std::memory_order_acq_rel) == 1)
        std::free(m_pData);
    m_pData = nullptr;
}

CString& CString::operator=(const CString& other) noexcept {
    if (m_pData != other.m_pData) {
        if (other.m_pData)
            other.m_pData->nRefs.fetch_add(1, std::memory_order_relaxed);
        Release();
        m_pData = other.m_pData;
    }
    return *this;
}

CString& CString::operator=(CString&& other) noexcept {
    if (this != &other) {
        Release();
        m_pData = other.m_pData;
        other.m_pData = nullptr;
    }
    return *this;
}

CString& CString::operator=(const char* psz) {
    CString copy(psz);
    return *this = std::move(copy);
}

int CString::GetLength() const noexcept { return m_pData ? m_pData->nLength : 0; }

void CString::Empty() noexcept { Release(); }

const char* CString::GetString() const noexcept { return m_pData ? m_pData->Text() : ""; }

char CString::GetAt(int nIndex) const {
    return (nIndex >= 0 && nIndex < GetLength()) ? m_pData->Text()[nIndex] : '\0';
}

// Makes the buffer this object's own with room for nLength characters.
char* CString::PrepareWrite(int nLength, bool bKeep) {
    const bool bShared = m_pData && m_pData->nRefs.load(std::memory_order_acquire) > 1;
    if (!m_pData || bShared || m_pData->nCapacity < nLength) {
        int nCapacity = nLength;
        if (m_pData && !bShared && nCapacity < m_pData->nCapacity * 2)
            nCapacity = m_pData->nCapacity * 2;  // amortise appends
        Data* pNew = Allocate(nCapacity);
        if (bKeep && m_pData) {
            std::memcpy(pNew->Text(), m_pData->Text(), static_cast<size_t>(m_pData->nLength) + 1);
            pNew->nLength = m_pData->nLength;
        }
        Release();
        m_pData = pNew;
    }
    return m_pData->Text();
}

void CString::Append(const char* pch, int nLength) {
    if (nLength <= 0)
        return;
    const int nOld = GetLength();
    // pch may point into our own buffer, which PrepareWrite can replace; the
    // kept text sits at the same offset in the new one.
    const char* pOld = GetString();
    const bool bInside = m_pData && pch >= pOld && pch <= pOld + nOld;
    const size_t nOffset = bInside ? static_cast<size_t>(pch - pOld) : 0;
    char* pText = PrepareWrite(nOld + nLength, true);
    if (bInside)
        pch = pText + nOffset;
    std::memmove(pText + nOld, pch, static_cast<size_t>(nLength));
    m_pData->nLength = nOld + nLength;
    pText[nOld + nLength] = '\0';
}

CString& CString::operator+=(const CString& str) {
    Append(str.GetString(), str.GetLength());
    return *this;
}

CString& CString::operator+=(const char* psz) {
    if (psz)
        Append(psz, static_cast<int>(std::strlen(psz)));
    return *this;
}

CString& CString::operator+=(char ch) {
    Append(&ch, 1);
    return *this;
}

void CString::Format(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::FormatV(const char* pszFormat, va_list args) {
    Empty();
    va_list measure;
    va_copy(measure, args);
    const int nLength = std::vsnprintf(nullptr, 0, pszFormat, measure);
    va_end(measure);
    if (nLength <= 0)
        return;
    char* pText = PrepareWrite(nLength, false);
    std::vsnprintf(pText, static_cast<size_t>(nLength) + 1, pszFormat, args);
    m_pData->nLength = nLength;
}

void CString::AppendFormat(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    CString part;
    part.FormatV(pszFormat, args);
    va_end(args);
    *this += part;
}

CString CString::Mid(int nFirst, int nCount) const {
    const int nLength = GetLength();
    if (nFirst < 0)
        nFirst = 0;
    if (nFirst > nLength)
        nFirst = nLength;
    if (nCount < 0 || nCount > nLength - nFirst)
        nCount = nLength - nFirst;
    if (nFirst == 0 && nCount == nLength)
        return *this;
    return CString(GetString() + nFirst, nCount);
}

int CString::Find(char ch, int nStart) const noexcept {
    for (int i = nStart < 0 ? 0 : nStart; i < GetLength(); ++i)
        if (m_pData->Text()[i] == ch)
            return i;
    return -1;
}

int CString::ReverseFind(char ch) const noexcept {
    for (int i = GetLength() - 1; i >= 0; --i)
        if (m_pData->Text()[i] == ch)
            return i;
    return -1;
}

char* CString::GetBuffer(int nMinLength) {
    if (nMinLength < GetLength())
        nMinLength = GetLength();
    return PrepareWrite(nMinLength, true);
}

void CString::ReleaseBuffer(int nNewLength) {
    if (!m_pData)
        return;
    if (nNewLength < 0)
        nNewLength = static_cast<int>(std::strlen(m_pData->Text()));
    if (nNewLength > m_pData->nCapacity)
        nNewLength = m_pData->nCapacity;
    m_pData->nLength = nNewLength;
    m_pData->Text()[nNewLength] = '\0';
}

CString operator+(const CString& a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, const char* b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const char* a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}

bool operator==(const CString& a, const CString& b) noexcept {
    return a.GetLength() == b.GetLength() &&
           std::memcmp(a.GetString(), b.GetString(), static_cast<size_t>(a.GetLength())) == 0;
}

bool operator==(const CString& a, const char* b) noexcept {
    return std::strcmp(a.GetString(), b ? b : "") == 0;
}
