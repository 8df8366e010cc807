#include "test_files.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

TempDir::TempDir() {
    static std::atomic<int> s_nNext{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    m_path = fs::temp_directory_path() /
             ("pakrill-test-" + std::to_string(stamp) + "-" + std::to_string(s_nNext++));
    fs::create_directories(m_path);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::string TempDir::PathOf(const std::string& name) const { return (m_path / name).string(); }

std::string TempDir::Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    const std::string path = PathOf(name);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
    return path;
}

std::string TempDir::WriteSized(const std::string& name, uint64_t length) const {
    const std::string path = Write(name, {});
    fs::resize_file(path, length);
    return path;
}

std::vector<uint8_t> MakeBytes(size_t size, std::initializer_list<Put> puts) {
    std::vector<uint8_t> bytes(size, 0);
    for (const Put& put : puts)
        for (size_t i = 0; i < put.width && put.offset + i < size; ++i)
            bytes[put.offset + i] = static_cast<uint8_t>(put.value >> (8 * i));
    return bytes;
}

fs::path CorpusDir() {
    const char* psz = std::getenv("PAKRILL_CORPUS");
    if (!psz || !*psz)
        return {};
    std::error_code ec;
    return fs::is_directory(psz, ec) ? fs::path(psz) : fs::path();
}
