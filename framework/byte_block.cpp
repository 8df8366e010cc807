#include "byte_block.h"

#include "exceptions.h"

#ifndef _WIN32
#include <sys/mman.h>
#endif

#include <cstdint>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace {
BYTE g_emptyBlock[1];
constexpr size_t kLargePage = 2u << 20;
}

#ifdef _WIN32

CByteBlock::CByteBlock(size_t nSize) : m_pData(g_emptyBlock), m_nSize(nSize) {
    if (nSize == 0)
        return;
    m_pData = static_cast<BYTE*>(::VirtualAlloc(nullptr, nSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!m_pData)
        throw CMemoryException();
}

CByteBlock::~CByteBlock() {
    if (m_pData != g_emptyBlock)
        ::VirtualFree(m_pData, 0, MEM_RELEASE);
}

#else

CByteBlock::CByteBlock(size_t nSize) : m_pData(g_emptyBlock), m_nSize(nSize) {
    if (nSize == 0)
        return;
    // Large blocks start on a large-page boundary and ask for large pages, so that
    // filling megabytes costs a few page faults instead of thousands.
    const size_t nAlign = nSize >= kLargePage ? kLargePage : 0;
    // The mapping covers whole pages, so the unused tail starts on a page boundary
    // and can be given back; a tail that is not page-aligned cannot be unmapped.
    const size_t nPage = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    nSize = (nSize + nPage - 1) / nPage * nPage;
    void* p = ::mmap(nullptr, nSize + nAlign, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw CMemoryException();
    auto* pStart = static_cast<BYTE*>(p);
    if (nAlign) {
        const size_t nHead = (nAlign - reinterpret_cast<uintptr_t>(pStart) % nAlign) % nAlign;
        if (nHead)
            ::munmap(pStart, nHead);
        if (nAlign - nHead)
            ::munmap(pStart + nHead + nSize, nAlign - nHead);
        pStart += nHead;
#ifdef MADV_HUGEPAGE
        ::madvise(pStart, nSize, MADV_HUGEPAGE);
#endif
    }
    m_pData = pStart;
}

CByteBlock::~CByteBlock() {
    if (m_pData != g_emptyBlock)
        ::munmap(m_pData, m_nSize);
}

#endif
