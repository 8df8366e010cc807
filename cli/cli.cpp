#include "cli.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "../framework/exceptions.h"
#include "file_hash.h"
#include "formats.h"
#include "pipeline.h"
#include "walk.h"

namespace {

const char kUsage[] =
    "Usage: pakrill-cli [OPTION]... FILE|FOLDER...\n"
    "       pakrill-cli --check LIST\n"
    "Prints, for each FILE, its name, version, UID, size, signature flag, MD5 hash and\n"
    "kind, as the window's list shows them, plus the path and the exact size in bytes.\n"
    "FILE - reads standard input. Pipes, devices and files whose size the system\n"
    "reports as 0 (such as /proc files) are read to their end.\n"
    "\n"
    "A FOLDER is walked depth-first as the window's \"Open directory...\" walks it:\n"
    "each folder's entries sorted by name without regard to case (the order of a\n"
    "Windows volume), sub-folders where they stand, and every entry whose path ends\n"
    "in \"sis\" in any case is taken. Links to folders are followed; a link back to a\n"
    "folder on the walked path, and a FIFO, socket or device met in a folder, are\n"
    "reported and skipped, never waited on. The walk never changes the current\n"
    "directory.\n"
    "\n"
    "Options:\n"
    "  --format F         table (default), tsv, csv, json or md5sum\n"
    "  --files-from FILE  also take the names listed in FILE, one a line (- for\n"
    "                     standard input); any number of names\n"
    "  --null             names in --files-from end with NUL instead of a line break\n"
    "  --max-size BYTES   files of BYTES or more get \"Not available\" instead of a\n"
    "                     digest (default 10485760, the window's rule); 0 hashes\n"
    "                     every file, in pieces, in bounded memory\n"
    "  --check LIST       read a list made by md5sum or by pakrill-cli (md5sum, tsv,\n"
    "                     csv or json) and report each file as OK, FAILED or missing\n"
    "  --help             show this help\n"
    "  --version          show the version\n"
    "\n"
    "Formats:\n"
    "  table   aligned columns for people, by display width, printed once the first\n"
    "          1000 records are in (their widths hold for the rest of the run);\n"
    "          control characters show as \\n, \\t, \\xHH\n"
    "  tsv     one line per file; tab, CR, LF and backslash in a field are written\n"
    "          as \\t, \\r, \\n and \\\\\n"
    "  csv     RFC 4180: fields with a comma, quote or line break are quoted\n"
    "  json    an array of objects; always valid UTF-8; Bytes is a number. A path\n"
    "          that is not valid UTF-8 shows U+FFFD in Path and Name, and the record\n"
    "          gains \"Path bytes\": the path's exact bytes in hexadecimal\n"
    "  md5sum  lines that md5sum -c can check: lower-case digest, two spaces, path\n"
    "Fields: Path, Name, Version, UID, Size, Sig, MD5 hash, Kind, Bytes.\n"
    "\n"
    "Kind: \"EPOC\" (a release 3 to 6 package: its UIDs and checksum are right),\n"
    "\"Symbian 9\" (its controller parsed), \"damaged\" (the Symbian 9 marker but no\n"
    "sound controller; Version and Sig are then empty and UID is 0x10201a7a), or\n"
    "\"unknown\" (anything else; the texts are read at the old fixed offsets).\n"
    "\n"
    "Records come in the order of the arguments, folders in walk order. Problems go\n"
    "to standard error as \"pakrill-cli: ...\", with control characters quoted.\n"
    "Exit status: 0 when every file was read (and, with --check, matched), 1 when\n"
    "any file could not be read, was skipped, had no digest for md5sum, FAILED or\n"
    "was missing, or the output could not be written, 2 for a usage error.\n";

struct Settings {
    Format format = Format::table;
    CInspectOptions options;
    std::vector<std::string> names;
    std::string strFilesFrom;
    bool bFilesFrom = false;
    bool bNull = false;
    std::string strCheck;
    bool bCheck = false;
};

int UsageError(std::ostream& err, const std::string& strText) {
    err << "pakrill-cli: " << QuoteControls(strText) << "\n" << kUsage;
    return 2;
}

// 0 on success, otherwise the exit status of a usage error (or of --help).
int ParseArguments(int argc, const char* const* argv, Settings& settings, std::ostream& out, std::ostream& err) {
    bool bOptionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (bOptionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            settings.names.push_back(arg);
            continue;
        }
        if (arg == "--") {
            bOptionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            out << kUsage;
            return -1;
        }
        if (arg == "--version") {
            out << "pakrill-cli 1.0.0\n";
            return -1;
        }
        if (arg == "--null") {
            settings.bNull = true;
            continue;
        }
        // Options with a value, as "--name value" or "--name=value".
        std::string name = arg, value;
        const size_t nEquals = arg.find('=');
        if (nEquals != std::string::npos) {
            name = arg.substr(0, nEquals);
            value = arg.substr(nEquals + 1);
        }
        if (name != "--format" && name != "--files-from" && name != "--max-size" && name != "--check")
            return UsageError(err, "unknown option '" + arg + "'");
        if (nEquals == std::string::npos) {
            if (++i >= argc)
                return UsageError(err, name + " needs a value");
            value = argv[i];
        }
        if (name == "--format") {
            static const std::pair<const char*, Format> kFormats[] = {
                {"table", Format::table}, {"tsv", Format::tsv}, {"csv", Format::csv},
                {"json", Format::json},   {"md5sum", Format::md5sum}};
            bool bKnown = false;
            for (const auto& [pszName, format] : kFormats)
                if (value == pszName) {
                    settings.format = format;
                    bKnown = true;
                }
            if (!bKnown)
                return UsageError(err, "unknown format '" + value + "'");
        } else if (name == "--files-from") {
            settings.strFilesFrom = value;
            settings.bFilesFrom = true;
        } else if (name == "--check") {
            settings.strCheck = value;
            settings.bCheck = true;
        } else {
            char* pEnd = nullptr;
            errno = 0;
            const unsigned long long n = std::strtoull(value.c_str(), &pEnd, 10);
            if (value.empty() || *pEnd || errno || value[0] == '-')
                return UsageError(err, "--max-size needs a number of bytes, not '" + value + "'");
            settings.options.nMaxSize = n;
        }
    }
    if (settings.bCheck && (!settings.names.empty() || settings.bFilesFrom))
        return UsageError(err, "--check takes its files from its LIST only");
    if (!settings.bCheck && settings.names.empty() && !settings.bFilesFrom)
        return UsageError(err, "no FILE given");
    return 0;
}

// Reads names one at a time, so a list of any length costs no more than one name.
class NameList {
public:
    NameList(const std::string& strPath, bool bNull) : m_chEnd(bNull ? '\0' : '\n') {
        if (strPath != "-") {
            m_file.open(strPath, std::ios::binary);
            m_pIn = &m_file;
        }
    }
    bool IsOpen() const { return m_pIn != &m_file || m_file.is_open(); }

    bool Next(std::string& strName) {
        while (std::getline(*m_pIn, strName, m_chEnd)) {
#ifdef _WIN32
            if (m_chEnd == '\n' && !strName.empty() && strName.back() == '\r')
                strName.pop_back();
#endif
            if (!strName.empty())
                return true;
        }
        return false;
    }

private:
    const char m_chEnd;
    std::ifstream m_file;
    std::istream* m_pIn = &std::cin;
};

bool ReadWhole(const std::string& strPath, std::string& strText) {
    if (strPath == "-") {
        strText.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return true;
    }
    std::ifstream in(strPath, std::ios::binary);
    if (!in)
        return false;
    strText.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string OpenError(const std::string& strPath) {
    const int nError = errno;
    return CFileException(CFileException::OsErrorToCause(nError), nError, strPath.c_str()).GetErrorMessage().GetString();
}

Record RecordOf(const Item& item, const CFileRow& row) {
    Record record = {item.strPath};
    for (int i = 0; i < 7; ++i)
        record.push_back(row.m_strTexts[i].GetString());
    record.push_back(std::to_string(row.m_nBytes));
    return record;
}

// A FILE argument, or a folder walked in its place.
void PushName(Pipeline& pipeline, const std::string& strName) {
    if (strName == "-" || !IsFolder(strName.c_str())) {
        pipeline.Push({strName, "", "", false});
        return;
    }
    WalkFolder(
        strName, [&](const std::string& strPath) { pipeline.Push({strPath, "", "", true}); },
        [&](const std::string& strProblem) { pipeline.Push({"", strProblem, "", false}); });
}

bool SameDigest(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

int Run(const Settings& settings, std::ostream& out, std::ostream& err) {
    int nStatus = 0;
    auto report = [&](const std::string& strText) {
        out.flush();
        err << "pakrill-cli: " << QuoteControls(strText) << "\n";
        err.flush();
        nStatus = 1;
    };
    Writer writer(settings.format, out);

    if (settings.bCheck) {
        std::string strList;
        if (!ReadWhole(settings.strCheck, strList)) {
            report(OpenError(settings.strCheck));
            return 1;
        }
        std::vector<std::string> problems;
        const std::vector<CheckEntry> entries = ParseCheckList(strList, problems);
        for (const std::string& strProblem : problems)
            report(settings.strCheck + ": " + strProblem);
        // A listed digest is checked against the whole file, whatever its size.
        CInspectOptions options = settings.options;
        options.nMaxSize = 0;
        Pipeline pipeline(options, [&](const Item& item, const Outcome& outcome) {
            const char* pszVerdict = "OK";
            if (outcome.bMissing) {
                pszVerdict = "missing";
            } else if (!outcome.strError.empty()) {
                report(outcome.strError);
                pszVerdict = "FAILED";
            } else if (!IsDigest(item.strExpected) ||
                       !SameDigest(item.strExpected, outcome.row.m_strTexts[5].GetString())) {
                pszVerdict = "FAILED";
            }
            if (std::strcmp(pszVerdict, "OK") != 0)
                nStatus = 1;
            out << QuoteControls(item.strPath) << ": " << pszVerdict << "\n";
            out.flush();
            writer.Check();
        });
        for (const CheckEntry& entry : entries)
            pipeline.Push({entry.strPath, "", entry.strDigest, false});
        pipeline.Finish();
        return nStatus;
    }

    writer.Begin();
    Pipeline pipeline(settings.options, [&](const Item& item, const Outcome& outcome) {
        if (!outcome.strError.empty()) {
            report(outcome.strError);
        } else if (settings.format == Format::md5sum && !IsDigest(outcome.row.m_strTexts[5].GetString())) {
            report(item.strPath + " has no digest: " + outcome.row.m_strTexts[5].GetString() +
                   " (see --max-size).");
        } else {
            writer.Add(RecordOf(item, outcome.row));
        }
    });
    for (const std::string& strName : settings.names)
        PushName(pipeline, strName);
    if (settings.bFilesFrom) {
        NameList list(settings.strFilesFrom, settings.bNull);
        if (!list.IsOpen())
            pipeline.Push({"", OpenError(settings.strFilesFrom), "", false});
        for (std::string strName; list.Next(strName);)
            PushName(pipeline, strName);
    }
    pipeline.Finish();
    writer.End();
    return nStatus;
}

}  // namespace

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    Settings settings;
    if (const int nStatus = ParseArguments(argc, argv, settings, out, err))
        return nStatus < 0 ? 0 : nStatus;
    try {
        return Run(settings, out, err);
    } catch (const WriteError& e) {
        err << "pakrill-cli: write error: " << e.strText << "\n";
        err.flush();
        return 1;
    }
}
