#include "cli.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "../framework/exceptions.h"
#include "file_hash.h"
#include "file_row.h"
#include "walk.h"

namespace {

const char* const kColumns[] = {"Path", "Name", "Version", "UID", "Size", "Sig", "MD5 hash"};
constexpr size_t kColumnCount = sizeof kColumns / sizeof kColumns[0];
using Record = std::vector<std::string>;

const char kUsage[] =
    "Usage: pakrill-cli [--format table|tsv|csv|json] FILE|FOLDER...\n"
    "Prints, for each FILE, its name, version, UID, size, signature flag and MD5 hash.\n"
    "A FOLDER is walked depth-first as the window's \"Open directory...\" walks it:\n"
    "each folder's entries sorted by name without regard to case (the order of a\n"
    "Windows volume), sub-folders where they stand, and every entry whose path ends\n"
    "in \"sis\" in any case is taken. Links to folders are followed; a link back to a\n"
    "folder on the walked path, and a FIFO, socket or device met in a folder, are\n"
    "reported and skipped. The walk never changes the current directory.\n"
    "  --format F   table (default), tsv, csv or json\n"
    "  --help       show this help\n"
    "  --version    show the version\n";

enum class Format { table, tsv, csv, json };

// The same texts a row of the window shows, from the same inspection.
Record Inspect(const char* pszPath) {
    const CFileRow row = InspectFile(pszPath);
    Record record = {pszPath};
    for (const CString& strText : row.m_strTexts)
        record.push_back(strText.GetString());
    return record;
}

std::string CsvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string quoted = "\"";
    for (char c : s)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char sz[8];
                std::snprintf(sz, sizeof sz, "\\u%04x", c);
                out += sz;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

// Tabs and line breaks inside a field would break the one-line-per-file shape.
std::string TsvField(std::string s) {
    for (char& c : s)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return s;
}

// Caps the bytes that files being hashed at the same time may hold in memory, so
// working on several files at once costs no more memory than the largest one.
class ByteBudget {
public:
    explicit ByteBudget(ULONGLONG nCapacity) : m_nCapacity(nCapacity) {}

    ULONGLONG Acquire(ULONGLONG nBytes) {
        nBytes = std::min(nBytes, m_nCapacity);
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [&] { return m_nUsed == 0 || m_nUsed + nBytes <= m_nCapacity; });
        m_nUsed += nBytes;
        return nBytes;
    }

    void Release(ULONGLONG nBytes) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_nUsed -= nBytes;
        }
        m_cv.notify_all();
    }

private:
    const ULONGLONG m_nCapacity;
    ULONGLONG m_nUsed = 0;
    std::mutex m_mutex;
    std::condition_variable m_cv;
};

// The bytes the digest of this file will read: none at or above the limit.
ULONGLONG DigestBytes(const char* pszPath) {
    std::error_code ec;
    const std::uintmax_t nSize = std::filesystem::file_size(pszPath, ec);
    return ec || nSize >= kHashSizeLimit ? 0 : static_cast<ULONGLONG>(nSize);
}

// One thing to report, in order: a file to inspect, or a problem the walk met.
struct Item {
    std::string strPath;
    std::string strProblem;
};

struct Outcome {
    Record record;
    std::string strError;
    bool bDone = false;
};

// Inspects the files on a few threads and hands the outcomes over in argument order.
class Inspector {
public:
    explicit Inspector(const std::vector<Item>& files)
        : m_files(files), m_outcomes(files.size()), m_budget(kHashSizeLimit) {
        const size_t nThreads = std::min<size_t>(std::max(2u, std::thread::hardware_concurrency()), 8);
        for (size_t i = 0; i < std::min(nThreads, files.size()); ++i)
            m_threads.emplace_back([this] { Work(); });
    }

    ~Inspector() {
        m_next.store(m_files.size());
        for (std::thread& t : m_threads)
            t.join();
    }

    Outcome Take(size_t nIndex) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [&] { return m_outcomes[nIndex].bDone; });
        return std::move(m_outcomes[nIndex]);
    }

private:
    void Work() {
        for (size_t i; (i = m_next.fetch_add(1)) < m_files.size();) {
            Outcome outcome;
            outcome.strError = m_files[i].strProblem;
            const char* pszPath = m_files[i].strPath.c_str();
            const ULONGLONG nHeld = outcome.strError.empty() ? m_budget.Acquire(DigestBytes(pszPath)) : 0;
            try {
                if (outcome.strError.empty())
                    outcome.record = Inspect(pszPath);
            } catch (const CException& e) {
                outcome.strError = e.GetErrorMessage().GetString();
            } catch (const std::exception& e) {
                outcome.strError = m_files[i].strPath + ": " + e.what();
            }
            m_budget.Release(nHeld);
            outcome.bDone = true;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_outcomes[i] = std::move(outcome);
            }
            m_cv.notify_all();
        }
    }

    const std::vector<Item>& m_files;
    std::vector<Outcome> m_outcomes;
    ByteBudget m_budget;
    std::atomic<size_t> m_next{0};
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<std::thread> m_threads;
};

class Writer {
public:
    Writer(Format format, std::ostream& out) : m_format(format), m_out(out) {}

    void Begin() {
        if (m_format == Format::tsv || m_format == Format::csv)
            WriteLine(Record(std::begin(kColumns), std::end(kColumns)));
        else if (m_format == Format::json)
            m_out << "[";
    }

    void Add(const Record& record) {
        if (m_format == Format::table)
            m_table.push_back(record);
        else if (m_format == Format::json)
            WriteJson(record);
        else
            WriteLine(record);
        m_nRecords++;
    }

    void End() {
        if (m_format == Format::json)
            m_out << (m_nRecords ? "\n]\n" : "]\n");
        else if (m_format == Format::table)
            WriteTable();
        m_out.flush();
    }

private:
    void WriteLine(const Record& record) {
        for (size_t i = 0; i < record.size(); ++i) {
            if (m_format == Format::tsv)
                m_out << (i ? "\t" : "") << TsvField(record[i]);
            else
                m_out << (i ? "," : "") << CsvField(record[i]);
        }
        m_out << (m_format == Format::csv ? "\r\n" : "\n");
        m_out.flush();
    }

    void WriteJson(const Record& record) {
        m_out << (m_nRecords ? ",\n  {" : "\n  {");
        for (size_t i = 0; i < kColumnCount; ++i)
            m_out << (i ? ", " : "") << JsonString(kColumns[i]) << ": " << JsonString(record[i]);
        m_out << "}";
        m_out.flush();
    }

    void WriteTable() {
        size_t widths[kColumnCount];
        for (size_t i = 0; i < kColumnCount; ++i)
            widths[i] = std::strlen(kColumns[i]);
        for (const Record& record : m_table)
            for (size_t i = 0; i < kColumnCount; ++i)
                widths[i] = std::max(widths[i], record[i].size());
        auto row = [&](const Record& record) {
            std::string line;
            for (size_t i = 0; i < kColumnCount; ++i) {
                line += record[i];
                if (i + 1 < kColumnCount)
                    line += std::string(widths[i] - record[i].size() + 2, ' ');
            }
            while (!line.empty() && line.back() == ' ')
                line.pop_back();
            m_out << line << "\n";
        };
        row(Record(std::begin(kColumns), std::end(kColumns)));
        for (const Record& record : m_table)
            row(record);
    }

    Format m_format;
    std::ostream& m_out;
    std::vector<Record> m_table;
    size_t m_nRecords = 0;
};

}  // namespace

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    Format format = Format::table;
    std::vector<const char*> files;
    bool bOptionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (bOptionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            files.push_back(argv[i]);
        } else if (arg == "--") {
            bOptionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            out << kUsage;
            return 0;
        } else if (arg == "--version") {
            out << "pakrill-cli 1.0.0\n";
            return 0;
        } else if (arg == "--format" || arg.rfind("--format=", 0) == 0) {
            std::string value;
            if (arg == "--format") {
                if (++i >= argc) {
                    err << "pakrill-cli: --format needs a value\n" << kUsage;
                    return 2;
                }
                value = argv[i];
            } else {
                value = arg.substr(std::strlen("--format="));
            }
            if (value == "table")
                format = Format::table;
            else if (value == "tsv")
                format = Format::tsv;
            else if (value == "csv")
                format = Format::csv;
            else if (value == "json")
                format = Format::json;
            else {
                err << "pakrill-cli: unknown format '" << value << "'\n" << kUsage;
                return 2;
            }
        } else {
            err << "pakrill-cli: unknown option '" << arg << "'\n" << kUsage;
            return 2;
        }
    }
    if (files.empty()) {
        err << "pakrill-cli: no FILE given\n" << kUsage;
        return 2;
    }

    // A folder is walked where it stands among the arguments.
    std::vector<Item> items;
    for (const char* pszArgument : files) {
        if (!IsFolder(pszArgument)) {
            items.push_back({pszArgument, ""});
            continue;
        }
        WalkFolder(
            pszArgument, [&](const std::string& strPath) { items.push_back({strPath, ""}); },
            [&](const std::string& strProblem) { items.push_back({"", strProblem}); });
    }

    Writer writer(format, out);
    writer.Begin();
    int nStatus = 0;
    Inspector inspector(items);
    for (size_t i = 0; i < items.size(); ++i) {
        Outcome outcome = inspector.Take(i);
        if (outcome.strError.empty()) {
            writer.Add(outcome.record);
        } else {
            out.flush();
            err << "pakrill-cli: " << outcome.strError << "\n";
            err.flush();
            nStatus = 1;
        }
    }
    writer.End();
    return nStatus;
}
