#include "sis9.h"

#include <zlib.h>

#include <algorithm>
#include <vector>


namespace {

constexpr DWORD kUid1 = 0x10201A7A;

constexpr DWORD kTypeString = 1;
constexpr DWORD kTypeArray = 2;
constexpr DWORD kTypeCompressed = 3;
constexpr DWORD kTypeVersion = 4;
constexpr DWORD kTypeUid = 9;
constexpr DWORD kTypeContents = 12;
constexpr DWORD kTypeController = 13;
constexpr DWORD kTypeInfo = 14;
constexpr DWORD kTypeControllerChecksum = 34;
constexpr DWORD kTypeDataChecksum = 35;
constexpr DWORD kTypeSignatureChain = 39;

constexpr DWORD kAlgorithmNone = 0;
constexpr DWORD kAlgorithmDeflate = 1;

constexpr ULONGLONG kMaxController = 4ull << 20;
// Deflate cannot shrink data by more than this.
constexpr ULONGLONG kMaxDeflateRatio = 1032;

// Positions are 64-bit so that no length from the file can wrap them on a 32-bit build.
struct Field {
    DWORD dwType;
    ULONGLONG nBegin;
    ULONGLONG nEnd;
};

DWORD Le32(const BYTE* p, ULONGLONG nPos) {
    p += static_cast<size_t>(nPos);
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<DWORD>(p[3]) << 24;
}

ULONGLONG Le64(const BYTE* p, ULONGLONG nPos) {
    return Le32(p, nPos) | static_cast<ULONGLONG>(Le32(p, nPos + 4)) << 32;
}

ULONGLONG Align4(ULONGLONG n) { return (n + 3) & ~static_cast<ULONGLONG>(3); }

WORD Crc16Ccitt(const BYTE* p, size_t nCount, size_t nStride) {
    WORD crc = 0;
    for (size_t i = 0; i < nCount; ++i) {
        crc ^= static_cast<WORD>(p[i * nStride] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<WORD>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

// A length word, or two in the long form, that must end by nLimit; moves nPos past it.
bool ReadLength(const BYTE* p, ULONGLONG& nPos, ULONGLONG nLimit, ULONGLONG& nLength) {
    if (nPos > nLimit || nLimit - nPos < 4)
        return false;
    nLength = Le32(p, nPos);
    nPos += 4;
    if (nLength & 0x80000000u) {
        if (nLimit - nPos < 4)
            return false;
        nLength = (nLength & 0x7FFFFFFF) | static_cast<ULONGLONG>(Le32(p, nPos)) << 31;
        nPos += 4;
    }
    return true;
}

// The field at nPos. Its header must lie before nReadable (the bytes at hand) and
// its value must end by nEnd (its container's end).
bool ReadField(const BYTE* p, ULONGLONG nReadable, ULONGLONG nPos, ULONGLONG nEnd, Field& field) {
    const ULONGLONG nHeaderLimit = std::min(nReadable, nEnd);
    if (nPos > nHeaderLimit || nHeaderLimit - nPos < 4)
        return false;
    field.dwType = Le32(p, nPos);
    nPos += 4;
    ULONGLONG nLength;
    if (!ReadLength(p, nPos, nHeaderLimit, nLength) || nLength > nEnd - nPos)
        return false;
    field.nBegin = nPos;
    field.nEnd = nPos + nLength;
    return true;
}

// Reads the next field of a container held wholly in memory, which must be of this type.
bool NextField(const BYTE* p, ULONGLONG& nPos, ULONGLONG nEnd, DWORD dwType, Field& field) {
    if (!ReadField(p, nEnd, nPos, nEnd, field) || field.dwType != dwType)
        return false;
    nPos = Align4(field.nEnd);
    return true;
}

bool IsStringArray(const BYTE* p, const Field& array) {
    if (array.nEnd - array.nBegin < 4 || Le32(p, array.nBegin) != kTypeString)
        return false;
    // Unlike a field's, an element's padding counts in the array's length.
    for (ULONGLONG nPos = array.nBegin + 4; nPos < array.nEnd;) {
        ULONGLONG nLength;
        if (!ReadLength(p, nPos, array.nEnd, nLength) || nLength % 2)
            return false;
        nPos = Align4(nPos + nLength);
        if (nPos > array.nEnd)
            return false;
    }
    return true;
}

bool ParseInfo(const BYTE* p, const Field& info, Sis9Facts& facts) {
    ULONGLONG nPos = info.nBegin;
    Field uid, name, names, vendors, version;
    if (!NextField(p, nPos, info.nEnd, kTypeUid, uid) || uid.nEnd - uid.nBegin != 4)
        return false;
    if (!NextField(p, nPos, info.nEnd, kTypeString, name) || (name.nEnd - name.nBegin) % 2)
        return false;
    if (!NextField(p, nPos, info.nEnd, kTypeArray, names) || !IsStringArray(p, names))
        return false;
    if (!NextField(p, nPos, info.nEnd, kTypeArray, vendors) || !IsStringArray(p, vendors))
        return false;
    if (!NextField(p, nPos, info.nEnd, kTypeVersion, version) || version.nEnd - version.nBegin != 12)
        return false;
    facts.dwUid = Le32(p, uid.nBegin);
    facts.nMajor = static_cast<int>(Le32(p, version.nBegin));
    facts.nMinor = static_cast<int>(Le32(p, version.nBegin + 4));
    facts.nBuild = static_cast<int>(Le32(p, version.nBegin + 8));
    return true;
}

// The uncompressed content: one Controller field, Info first. Chains inside the
// InstallBlock belong to embedded packages, so only top-level fields are looked at.
bool ParseController(const BYTE* p, size_t nSize, Sis9Facts& facts) {
    Field controller, info;
    if (!ReadField(p, nSize, 0, nSize, controller) || controller.dwType != kTypeController ||
        Align4(controller.nEnd) < nSize)
        return false;
    ULONGLONG nPos = controller.nBegin;
    if (!NextField(p, nPos, controller.nEnd, kTypeInfo, info) || !ParseInfo(p, info, facts))
        return false;
    while (nPos < controller.nEnd) {
        Field field;
        if (!ReadField(p, controller.nEnd, nPos, controller.nEnd, field))
            return false;
        facts.bSigned = facts.bSigned || field.dwType == kTypeSignatureChain;
        nPos = Align4(field.nEnd);
    }
    return true;
}

// The stream must fill the output exactly and use up the input exactly.
bool Inflate(const BYTE* pIn, size_t nIn, BYTE* pOut, size_t nOut) {
    z_stream stream{};
    stream.next_in = const_cast<Bytef*>(pIn);
    stream.avail_in = static_cast<uInt>(nIn);
    if (inflateInit(&stream) != Z_OK)
        return false;
    stream.next_out = pOut;
    stream.avail_out = static_cast<uInt>(nOut);
    const int nResult = inflate(&stream, Z_FINISH);
    const bool bExact = nResult == Z_STREAM_END && stream.avail_out == 0 && stream.avail_in == 0;
    inflateEnd(&stream);
    return bExact;
}

}  // namespace

DWORD Uid4Of(const BYTE* pUids) {
    return static_cast<DWORD>(Crc16Ccitt(pUids + 1, 6, 2)) << 16 | Crc16Ccitt(pUids, 6, 2);
}

size_t Sis9BytesWanted(const BYTE* pData, size_t nSize, ULONGLONG nFileLength) {
    Sis9Facts facts;
    const Sis9Result result = ParseSis9(pData, nSize, nFileLength, facts);
    return result.status == Sis9Status::NeedMore ? std::max(nSize, result.nNeeded) : nSize;
}

void Sis9HeadKeeper::Take(const BYTE* p, size_t n) {
    while (n && m_head.size() < m_nWanted) {
        const size_t nTake = std::min(n, m_nWanted - m_head.size());
        m_head.insert(m_head.end(), p, p + nTake);
        p += nTake;
        n -= nTake;
        if (m_head.size() == m_nWanted)
            m_nWanted = std::max(m_nWanted, Sis9BytesWanted(m_head.data(), m_head.size(), m_nAssumedLength));
    }
}

Sis9Result ParseSis9(const BYTE* pData, size_t nSize, ULONGLONG nFileLength, Sis9Facts& facts) {
    const Sis9Result notSis9{Sis9Status::NotSis9, 0};
    const ULONGLONG nHeadEnd = std::min<ULONGLONG>(nFileLength, kSis9HeadBytes);
    if (nFileLength < 16)
        return notSis9;
    if (nSize < 16)
        return {Sis9Status::NeedMore, static_cast<size_t>(nHeadEnd)};
    if (Le32(pData, 0) != kUid1 || Le32(pData, 12) != Uid4Of(pData))
        return notSis9;
    if (nSize < nHeadEnd)
        return {Sis9Status::NeedMore, static_cast<size_t>(nHeadEnd)};

    Field contents, field;
    if (!ReadField(pData, nHeadEnd, 16, nFileLength, contents) || contents.dwType != kTypeContents)
        return notSis9;
    ULONGLONG nPos = contents.nBegin;
    if (!ReadField(pData, nHeadEnd, nPos, contents.nEnd, field))
        return notSis9;
    for (DWORD dwOptional : {kTypeControllerChecksum, kTypeDataChecksum}) {
        if (field.dwType != dwOptional)
            continue;
        nPos = Align4(field.nEnd);
        if (!ReadField(pData, nHeadEnd, nPos, contents.nEnd, field))
            return notSis9;
    }
    if (field.dwType != kTypeCompressed)
        return notSis9;
    if (field.nEnd - field.nBegin < 12 || field.nBegin + 12 > nHeadEnd)
        return notSis9;

    // Every bound is checked before asking for the rest, so nNeeded stays small.
    const DWORD dwAlgorithm = Le32(pData, field.nBegin);
    const ULONGLONG nClaimed = Le64(pData, field.nBegin + 4);
    const ULONGLONG nDataBegin = field.nBegin + 12;
    const ULONGLONG nDataLength = field.nEnd - nDataBegin;
    if (nClaimed < 8 || nClaimed > kMaxController ||
        std::min(nDataLength, kMaxController) * kMaxDeflateRatio < nClaimed)
        return notSis9;
    if (dwAlgorithm == kAlgorithmNone) {
        if (nDataLength != nClaimed)
            return notSis9;
    } else if (dwAlgorithm == kAlgorithmDeflate) {
        // Storing is always open to a compressor, so no sane stream is longer.
        if (nDataLength > compressBound(static_cast<uLong>(nClaimed)))
            return notSis9;
    } else {
        return notSis9;
    }
    if (nSize < field.nEnd)
        return {Sis9Status::NeedMore, static_cast<size_t>(field.nEnd)};

    const BYTE* pController = pData + static_cast<size_t>(nDataBegin);
    std::vector<BYTE> inflated;
    if (dwAlgorithm == kAlgorithmDeflate) {
        inflated.resize(static_cast<size_t>(nClaimed));
        if (!Inflate(pController, static_cast<size_t>(nDataLength), inflated.data(), inflated.size()))
            return notSis9;
        pController = inflated.data();
    }
    Sis9Facts parsed;
    if (!ParseController(pController, static_cast<size_t>(nClaimed), parsed))
        return notSis9;
    facts = parsed;
    return {Sis9Status::Complete, 0};
}
