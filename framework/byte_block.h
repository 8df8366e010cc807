#pragma once
#include <cstddef>

#include "types.h"

// A block of bytes that comes fresh from the system and goes straight back when
// destroyed, so a whole file held for a moment leaves no heap behind it. Raises
// CMemoryException when the system has no room; a block of 0 bytes is valid.
class CByteBlock {
public:
    explicit CByteBlock(size_t nSize);
    ~CByteBlock();
    CByteBlock(const CByteBlock&) = delete;
    CByteBlock& operator=(const CByteBlock&) = delete;

    BYTE* Data() noexcept { return m_pData; }
    size_t Size() const noexcept { return m_nSize; }

private:
    BYTE* m_pData;
    size_t m_nSize;
};
