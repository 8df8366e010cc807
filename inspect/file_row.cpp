#include "file_row.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "../framework/byte_block.h"
#include "../framework/file.h"
#include "file_hash.h"
#include "file_name.h"
#include "sis9.h"

namespace {

// Stands for "longer than anything read so far" while a length is not yet known.
constexpr ULONGLONG kUnknownLength = ~0ull >> 2;

}  // namespace

CFileFacts ReadFileFacts(CFile& file, const CInspectOptions& options, CByteBlock* pBuffer) {
    ULONGLONG nKnown = 0;
    const bool bKnown = file.GetKnownLength(nKnown);
    const bool bTooLarge = bKnown && options.nMaxSize && nKnown >= options.nMaxSize;
    const bool bHash = options.bDigest && !bTooLarge;
    // A length that cannot be trusted is found by reading to the end.
    const bool bReadAll = bHash || !bKnown;

    std::optional<CByteBlock> ownBuffer;
    if (!pBuffer)
        pBuffer = &ownBuffer.emplace(kInspectBufferBytes);
    std::optional<CDigest> digest;
    if (bHash)
        digest.emplace();
    Sis9HeadKeeper head(bKnown ? nKnown : kUnknownLength);
    ULONGLONG nTotal = 0;
    bool bOverLimit = bTooLarge;
    for (;;) {
        UINT nAsk = static_cast<UINT>(pBuffer->Size());
        if (!bReadAll)
            nAsk = static_cast<UINT>(std::min<size_t>(nAsk, head.Missing()));
        if (nAsk == 0)
            break;
        const UINT nRead = file.Read(pBuffer->Data(), nAsk);
        if (nRead == 0)
            break;
        head.Take(pBuffer->Data(), nRead);
        nTotal += nRead;
        if (options.nMaxSize && nTotal >= options.nMaxSize)
            bOverLimit = true;
        if (digest && !bOverLimit)
            digest->Add(pBuffer->Data(), nRead);
    }

    CFileFacts facts;
    facts.nBytes = bReadAll ? nTotal : nKnown;
    facts.info = SummarizePackage(head.Head().data(), head.Head().size(), facts.nBytes);
    if (options.bDigest)
        facts.strDigest = bOverLimit ? CString("Not available") : digest->Finish();
    return facts;
}

CFileRow InspectOpenFile(CFile& file, const char* pszPath, const CInspectOptions& options, CByteBlock* pBuffer) {
    CFileRow row;
    row.m_strTexts[0] = FileNameOfPath(pszPath);
    const CFileFacts facts = ReadFileFacts(file, options, pBuffer);
    row.m_strTexts[1] = facts.info.m_strVersion;
    row.m_strTexts[2] = facts.info.m_strUid;
    row.m_strTexts[3] = facts.info.m_strSize;
    row.m_strTexts[4] = facts.info.m_strSig;
    row.m_strTexts[5] = facts.strDigest;
    row.m_strTexts[6] = facts.info.m_strKind;
    row.m_nBytes = facts.nBytes;
    return row;
}

CFileRow InspectFile(const char* pszPath, const CInspectOptions& options, CByteBlock* pBuffer) {
    CFile file;
    file.OpenOrThrow(pszPath, options.bPlainFileOnly ? CFile::modeNoWait : CFile::modeRead);
    return InspectOpenFile(file, pszPath, options, pBuffer);
}

CFileRow InspectFile(const char* pszPath) { return InspectFile(pszPath, CInspectOptions()); }
