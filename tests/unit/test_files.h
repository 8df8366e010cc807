#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A fresh folder per test, removed when the test ends.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Writes a file of these bytes and returns its path.
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;
    // A file of this length whose blocks are never written (sparse where the system allows).
    std::string WriteSized(const std::string& name, uint64_t length) const;
    std::string PathOf(const std::string& name) const;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// A header of `size` zero bytes with little-endian values placed at offsets.
struct Put {
    size_t offset;
    uint32_t value;
    size_t width;
};
std::vector<uint8_t> MakeBytes(size_t size, std::initializer_list<Put> puts);

// The corpus of real packages, or an empty path when it is not there.
std::filesystem::path CorpusDir();
