#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "exceptions.h"
#include "file_hash.h"
#include "file_row.h"
#include "test_files.h"

namespace {

std::string Md5Of(const std::vector<uint8_t>& bytes) {
    CDigest digest;
    digest.Add(bytes.data(), bytes.size());
    return digest.Finish().GetString();
}

std::vector<uint8_t> Pattern(size_t nSize, uint32_t nSeed) {
    std::vector<uint8_t> bytes(nSize);
    for (size_t i = 0; i < nSize; ++i)
        bytes[i] = static_cast<uint8_t>((i * 2654435761u + nSeed) >> 13);
    return bytes;
}

}  // namespace

// Read in pieces, a file's digest is still the digest of all of it; the limit
// decides by the bytes, and no limit hashes any size.
TEST(InspectFile, DigestInPiecesAndTheLimit) {
    TempDir dir;
    struct Case {
        size_t size;
        ULONGLONG maxSize;
        bool hashed;
    } const cases[] = {
        {0, kHashSizeLimit, true},
        {kInspectBufferBytes - 1, kHashSizeLimit, true},
        {kInspectBufferBytes * 3 + 17, kHashSizeLimit, true},
        {1000, 1000, false},
        {999, 1000, true},
        {kHashSizeLimit + 5, 0, true},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> bytes = Pattern(c.size, static_cast<uint32_t>(c.size));
        const std::string path = dir.Write("f" + std::to_string(c.size), bytes);
        CInspectOptions options;
        options.nMaxSize = c.maxSize;
        const CFileRow row = InspectFile(path.c_str(), options);
        EXPECT_STREQ(row.m_strTexts[5], c.hashed ? Md5Of(bytes).c_str() : "Not available") << c.size;
        EXPECT_EQ(row.m_nBytes, c.size);
    }
}

#ifndef _WIN32
namespace {
std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
}  // namespace

// The system says these are 0 bytes long; their bytes are what counts.
TEST(InspectFile, FilesOfUnknownLengthAreReadToTheirEnd) {
    const std::vector<uint8_t> bytes = ReadAll("/proc/version");
    ASSERT_GT(bytes.size(), 20u);
    const CFileRow row = InspectFile("/proc/version");
    EXPECT_STREQ(row.m_strTexts[5], Md5Of(bytes).c_str());
    EXPECT_EQ(row.m_nBytes, bytes.size());

    // A FIFO has no length at all; its writer's bytes are hashed as they come.
    TempDir dir;
    const std::string fifo = dir.PathOf("pipe.sis");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<uint8_t> sent = Pattern(3 * kInspectBufferBytes + 5, 7);
    std::thread writer([&] {
        FILE* f = std::fopen(fifo.c_str(), "wb");
        std::fwrite(sent.data(), 1, sent.size(), f);
        std::fclose(f);
    });
    const CFileRow piped = InspectFile(fifo.c_str());
    writer.join();
    EXPECT_STREQ(piped.m_strTexts[5], Md5Of(sent).c_str());
    EXPECT_EQ(piped.m_nBytes, sent.size());
    EXPECT_STREQ(piped.m_strTexts[3], "768 Kb");
}

// While another process swaps the file under its name between two packages, each
// record is wholly one package or wholly the other.
TEST(InspectFile, RecordNeverMixesTwoVersionsOfAFile) {
    TempDir dir;
    std::vector<uint8_t> a = Pattern(200000, 1), b = Pattern(150000, 2);
    for (auto* bytes : {&a, &b})
        for (size_t i = 0; i < 72; ++i)
            (*bytes)[i] = static_cast<uint8_t>(bytes == &a ? i : 255 - i);
    const std::string pathA = dir.Write("a", a), pathB = dir.Write("b", b);
    const std::string target = dir.PathOf("x.sis"), spare = dir.PathOf("spare");
    const CFileRow rowA = InspectFile(pathA.c_str()), rowB = InspectFile(pathB.c_str());
    std::atomic<bool> bStop{false};
    std::thread swapper([&] {
        for (int n = 0; !bStop; ++n) {
            std::remove(spare.c_str());
            if (link(n % 2 ? pathA.c_str() : pathB.c_str(), spare.c_str()) == 0)
                std::rename(spare.c_str(), target.c_str());
        }
    });
    int nMixed = 0;
    for (int i = 0; i < 400; ++i) {
        try {
            const CFileRow row = InspectFile(target.c_str());
            bool bSameAsA = true, bSameAsB = true;
            for (int t = 1; t < 7; ++t) {
                bSameAsA = bSameAsA && row.m_strTexts[t] == rowA.m_strTexts[t];
                bSameAsB = bSameAsB && row.m_strTexts[t] == rowB.m_strTexts[t];
            }
            nMixed += !bSameAsA && !bSameAsB;
        } catch (const CFileException&) {
            // Between the first swap and the name's first appearance.
        }
    }
    bStop = true;
    swapper.join();
    EXPECT_EQ(nMixed, 0);
}
#endif
