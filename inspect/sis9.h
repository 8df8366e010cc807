#pragma once
#include <cstddef>
#include <vector>

#include "../framework/types.h"

// What a Symbian 9 package says about itself inside its compressed controller.
struct Sis9Facts {
    DWORD dwUid = 0;
    int nMajor = 0;
    int nMinor = 0;
    int nBuild = 0;
    bool bSigned = false;
};

enum class Sis9Status { NotSis9, Complete, NeedMore };

struct Sis9Result {
    Sis9Status status;
    // With NeedMore: the length of the prefix to pass next; never past the file's end.
    size_t nNeeded;
};

// Every answer needs this much of the file first (all of it when shorter): the
// fields in front of the controller must lie inside it.
constexpr size_t kSis9HeadBytes = 65536;

// Parses the first nSize bytes of a file of nFileLength bytes. Complete fills
// facts; NotSis9 means not a Symbian 9 package or not a sound one (facts untouched).
Sis9Result ParseSis9(const BYTE* pData, size_t nSize, ULONGLONG nFileLength, Sis9Facts& facts);

// How long a prefix ParseSis9 needs, given the first nSize bytes of a file of at
// least nFileLength bytes; nSize itself when no more is needed.
size_t Sis9BytesWanted(const BYTE* pData, size_t nSize, ULONGLONG nFileLength);

// The checksum a Symbian UID header carries in its fourth word, over its first three.
DWORD Uid4Of(const BYTE* pUids);

// Keeps the first bytes of a stream, as many as the summary turns out to need: the
// fixed header and the Symbian 9 reader's first look, then up to the end of the
// compressed controller when there is one. nAssumedLength is the file's length,
// or any larger number while it is not known.
class Sis9HeadKeeper {
public:
    explicit Sis9HeadKeeper(ULONGLONG nAssumedLength) : m_nAssumedLength(nAssumedLength) {}
    void Take(const BYTE* p, size_t n);
    size_t Missing() const { return m_nWanted - m_head.size(); }
    const std::vector<BYTE>& Head() const { return m_head; }

private:
    const ULONGLONG m_nAssumedLength;
    size_t m_nWanted = kSis9HeadBytes;
    std::vector<BYTE> m_head;
};
