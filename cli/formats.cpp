#include "formats.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#endif

const char* const kFieldNames[fieldCount] = {"Path", "Name", "Version", "UID", "Size", "Sig", "MD5 hash", "Kind",
                                             "Bytes"};

namespace {

// The code point at s[i], moving i past it; false (and one byte on) when the
// bytes there are not well-formed UTF-8.
bool NextCodePoint(const std::string& s, size_t& i, uint32_t& cp) {
    const auto b = static_cast<unsigned char>(s[i]);
    size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > s.size()) {
        ++i;
        return false;
    }
    cp = n == 1 ? b : b & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        cp = cp << 6 | (c & 0x3F);
    }
    static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return false;
    }
    i += n;
    return true;
}

bool IsWide(uint32_t cp) {
    return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF && cp != 0x303F) ||
           (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) ||
           (cp >= 0xFF00 && cp <= 0xFF60) || (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x1F300 && cp <= 0x1F64F) ||
           (cp >= 0x1F900 && cp <= 0x1F9FF) || (cp >= 0x20000 && cp <= 0x3FFFD);
}

bool IsZeroWidth(uint32_t cp) {
    return (cp >= 0x0300 && cp <= 0x036F) || (cp >= 0x200B && cp <= 0x200F) || (cp >= 0xFE00 && cp <= 0xFE0F) ||
           (cp >= 0x20D0 && cp <= 0x20FF);
}

std::string EscapeControl(unsigned char c) {
    switch (c) {
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\t': return "\\t";
    default: {
        char sz[8];
        std::snprintf(sz, sizeof sz, "\\x%02X", c);
        return sz;
    }
    }
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

#ifdef _WIN32
// Names on Windows are in the ANSI code page; JSON wants UTF-8.
std::string AnsiToUtf8(const std::string& s) {
    if (s.empty() || ::GetACP() == CP_UTF8)
        return s;
    const int nWide = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()),
                                            nullptr, 0);
    if (nWide <= 0)
        return s;
    std::wstring wide(static_cast<size_t>(nWide), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &wide[0], nWide);
    const int nUtf8 = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), nWide, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(nUtf8), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), nWide, &utf8[0], nUtf8, nullptr, nullptr);
    return utf8;
}
#endif

}  // namespace

std::string TsvField(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

std::string TsvUnescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        out += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
    return out;
}

std::string CsvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string quoted = "\"";
    for (char c : s)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string JsonString(const std::string& sIn, bool& bExact) {
#ifdef _WIN32
    const std::string s = AnsiToUtf8(sIn);
#else
    const std::string& s = sIn;
#endif
    bExact = true;
    std::string out = "\"";
    for (size_t i = 0; i < s.size();) {
        const size_t nStart = i;
        uint32_t cp = 0;
        if (!NextCodePoint(s, i, cp)) {
            out += "\\ufffd";
            bExact = false;
            continue;
        }
        if (cp == '"' || cp == '\\') {
            out += '\\';
            out += static_cast<char>(cp);
        } else if (cp < 0x20 || cp == 0x7F) {
            char sz[8];
            std::snprintf(sz, sizeof sz, "\\u%04x", cp);
            out += sz;
        } else {
            out.append(s, nStart, i - nStart);
        }
    }
    return out + "\"";
}

std::string HexOf(const std::string& s) {
    std::string out;
    char sz[4];
    for (unsigned char c : s) {
        std::snprintf(sz, sizeof sz, "%02x", c);
        out += sz;
    }
    return out;
}

std::string QuoteControls(const std::string& s) {
    std::string out;
    for (unsigned char c : s)
        out += IsControl(c) ? EscapeControl(c) : std::string(1, static_cast<char>(c));
    return out;
}

std::string TableCell(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
        const size_t nStart = i;
        uint32_t cp = 0;
        const bool bText = NextCodePoint(s, i, cp);
#ifdef _WIN32
        // A byte that is not UTF-8 is a character of the ANSI code page here.
        if (!bText) {
            out += s[nStart];
            continue;
        }
#else
        if (!bText) {
            out += EscapeControl(static_cast<unsigned char>(s[nStart]));
            continue;
        }
#endif
        if (cp < 0x80 && IsControl(static_cast<unsigned char>(cp)))
            out += EscapeControl(static_cast<unsigned char>(cp));
        else
            out.append(s, nStart, i - nStart);
    }
    return out;
}

size_t DisplayWidth(const std::string& s) {
    size_t nWidth = 0;
    for (size_t i = 0; i < s.size();) {
        uint32_t cp = 0;
        if (!NextCodePoint(s, i, cp))
            ++nWidth;
        else
            nWidth += IsZeroWidth(cp) ? 0 : IsWide(cp) ? 2 : 1;
    }
    return nWidth;
}

std::string Md5sumLine(const std::string& strDigest, const std::string& strPath) {
    std::string strLower = strDigest;
    std::transform(strLower.begin(), strLower.end(), strLower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
#ifdef _WIN32
    // Backslashes separate folders here, and names hold no line breaks.
    return strLower + "  " + strPath + "\n";
#else
    if (strPath.find_first_of("\\\r\n") == std::string::npos)
        return strLower + "  " + strPath + "\n";
    std::string strEscaped;
    for (char c : strPath)
        strEscaped += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
    return "\\" + strLower + "  " + strEscaped + "\n";
#endif
}

bool IsDigest(const std::string& s) {
    return s.size() == 32 && s.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

void Writer::Check() {
    if (!m_out.fail())
        return;
    const int nError = errno;
    throw WriteError{nError ? std::strerror(nError) : "the output could not be written"};
}

void Writer::Begin() {
    if (m_format == Format::tsv || m_format == Format::csv)
        WriteLine(Record(std::begin(kFieldNames), std::end(kFieldNames)));
    else if (m_format == Format::json)
        m_out << "[";
    Check();
}

void Writer::Add(const Record& record) {
    if (m_format == Format::table) {
        m_table.push_back(record);
        if (m_bTableStarted || m_table.size() >= kTableWidthRecords)
            WriteTable();
    } else if (m_format == Format::json)
        WriteJson(record);
    else if (m_format == Format::md5sum)
        m_out << Md5sumLine(record[fieldDigest], record[fieldPath]);
    else
        WriteLine(record);
    m_nRecords++;
    // Each record leaves at once, so a reader sees progress and a failed write stops the run.
    if (m_format != Format::table || m_bTableStarted)
        m_out.flush();
    Check();
}

void Writer::End() {
    if (m_format == Format::json)
        m_out << (m_nRecords ? "\n]\n" : "]\n");
    else if (m_format == Format::table)
        WriteTable();
    m_out.flush();
    Check();
}

void Writer::WriteLine(const Record& record) {
    for (size_t i = 0; i < record.size(); ++i) {
        if (m_format == Format::tsv)
            m_out << (i ? "\t" : "") << TsvField(record[i]);
        else
            m_out << (i ? "," : "") << CsvField(record[i]);
    }
    m_out << (m_format == Format::csv ? "\r\n" : "\n");
}

void Writer::WriteJson(const Record& record) {
    m_out << (m_nRecords ? ",\n  {" : "\n  {");
    bool bPathExact = true;
    for (size_t i = 0; i < fieldCount; ++i) {
        bool bExact = true;
        m_out << (i ? ", " : "") << JsonString(kFieldNames[i], bExact) << ": ";
        if (i == fieldBytes)
            m_out << record[i];
        else
            m_out << JsonString(record[i], i == fieldPath ? bPathExact : bExact);
    }
    // A path that is not text is still given exactly, byte for byte.
    if (!bPathExact)
        m_out << ", \"Path bytes\": \"" << HexOf(record[fieldPath]) << "\"";
    m_out << "}";
}

// The widths come from the first records, so that a collection of any size is
// written in bounded memory; a later, wider cell only pushes the rest of its line.
void Writer::WriteTable() {
    if (!m_bTableStarted) {
        for (size_t i = 0; i < fieldCount; ++i)
            m_tableWidths[i] = std::strlen(kFieldNames[i]);
        for (const Record& record : m_table)
            for (size_t i = 0; i < fieldCount; ++i)
                m_tableWidths[i] = std::max(m_tableWidths[i], DisplayWidth(TableCell(record[i])));
        WriteTableRow(Record(std::begin(kFieldNames), std::end(kFieldNames)));
        m_bTableStarted = true;
    }
    for (const Record& record : m_table) {
        Record cells;
        for (size_t i = 0; i < fieldCount; ++i)
            cells.push_back(TableCell(record[i]));
        WriteTableRow(cells);
    }
    m_table.clear();
}

void Writer::WriteTableRow(const Record& cells) {
    std::string line;
    for (size_t i = 0; i < fieldCount; ++i) {
        line += cells[i];
        const size_t nWidth = DisplayWidth(cells[i]);
        if (i + 1 < fieldCount)
            line += std::string(m_tableWidths[i] > nWidth ? m_tableWidths[i] - nWidth + 2 : 2, ' ');
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    m_out << line << "\n";
}

namespace {

std::vector<std::string> SplitLines(const std::string& strText) {
    std::vector<std::string> lines;
    std::istringstream in(strText);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t nFrom = 0;
    for (size_t nTab; (nTab = line.find('\t', nFrom)) != std::string::npos; nFrom = nTab + 1)
        fields.push_back(TsvUnescape(line.substr(nFrom, nTab - nFrom)));
    fields.push_back(TsvUnescape(line.substr(nFrom)));
    return fields;
}

// Rows of a CSV text: quoted fields may hold commas, quotes and line breaks.
std::vector<std::vector<std::string>> ParseCsv(const std::string& s) {
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool bQuoted = false;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (bQuoted) {
            if (c == '"' && i + 1 < s.size() && s[i + 1] == '"')
                field += s[++i];
            else if (c == '"')
                bQuoted = false;
            else
                field += c;
        } else if (c == '"') {
            bQuoted = true;
        } else if (c == ',') {
            rows.back().push_back(field);
            field.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
            rows.back().push_back(field);
            field.clear();
            rows.emplace_back();
        } else {
            field += c;
        }
    }
    if (!field.empty() || !rows.back().empty())
        rows.back().push_back(field);
    else
        rows.pop_back();
    return rows;
}

// Just enough JSON for the lists this program writes: an array of flat objects
// whose values are strings or numbers.
class JsonReader {
public:
    explicit JsonReader(const std::string& s) : m_s(s) {}

    bool ReadRecords(std::vector<std::vector<std::pair<std::string, std::string>>>& records) {
        if (!Skip('['))
            return false;
        if (Skip(']'))
            return true;
        do {
            records.emplace_back();
            if (!Skip('{'))
                return false;
            if (Skip('}'))
                continue;
            do {
                std::string key, value;
                if (!ReadString(key) || !Skip(':') || !ReadValue(value))
                    return false;
                records.back().emplace_back(key, value);
            } while (Skip(','));
            if (!Skip('}'))
                return false;
        } while (Skip(','));
        return Skip(']');
    }

private:
    bool Skip(char c) {
        while (m_i < m_s.size() && std::strchr(" \t\r\n", m_s[m_i]))
            ++m_i;
        if (m_i < m_s.size() && m_s[m_i] == c) {
            ++m_i;
            return true;
        }
        return false;
    }

    bool ReadValue(std::string& value) {
        if (ReadString(value))
            return true;
        const size_t nStart = m_i;
        while (m_i < m_s.size() && std::strchr("0123456789.-+eE", m_s[m_i]))
            ++m_i;
        value = m_s.substr(nStart, m_i - nStart);
        return m_i > nStart;
    }

    bool ReadString(std::string& out) {
        if (!Skip('"'))
            return false;
        out.clear();
        while (m_i < m_s.size() && m_s[m_i] != '"') {
            char c = m_s[m_i++];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_i >= m_s.size())
                return false;
            c = m_s[m_i++];
            if (c == 'u') {
                if (m_i + 4 > m_s.size())
                    return false;
                uint32_t cp = static_cast<uint32_t>(std::stoul(m_s.substr(m_i, 4), nullptr, 16));
                m_i += 4;
                if (cp >= 0xD800 && cp <= 0xDBFF && m_s.compare(m_i, 2, "\\u") == 0) {
                    const uint32_t low = static_cast<uint32_t>(std::stoul(m_s.substr(m_i + 2, 4), nullptr, 16));
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    m_i += 6;
                }
                AppendUtf8(out, cp);
            } else {
                out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c == 'b' ? '\b' : c == 'f' ? '\f' : c;
            }
        }
        return Skip('"');
    }

    static void AppendUtf8(std::string& out, uint32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | cp >> 6);
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | cp >> 12);
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | cp >> 18);
            out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    const std::string& m_s;
    size_t m_i = 0;
};

std::string FromHex(const std::string& s) {
    std::string out;
    for (size_t i = 0; i + 1 < s.size(); i += 2)
        out += static_cast<char>(std::stoi(s.substr(i, 2), nullptr, 16));
    return out;
}

// Entries from rows whose first row names the columns.
void EntriesFromTable(const std::vector<std::vector<std::string>>& rows, std::vector<CheckEntry>& entries,
                      std::vector<std::string>& problems) {
    const auto& header = rows.front();
    const size_t nPath = std::find(header.begin(), header.end(), "Path") - header.begin();
    const size_t nDigest = std::find(header.begin(), header.end(), "MD5 hash") - header.begin();
    for (size_t r = 1; r < rows.size(); ++r) {
        if (rows[r].size() == 1 && rows[r][0].empty())
            continue;
        if (rows[r].size() <= std::max(nPath, nDigest))
            problems.push_back("record " + std::to_string(r + 1) + " has too few fields");
        else
            entries.push_back({rows[r][nPath], rows[r][nDigest]});
    }
}

}  // namespace

std::vector<CheckEntry> ParseCheckList(const std::string& strText, std::vector<std::string>& problems) {
    std::vector<CheckEntry> entries;
    const size_t nFirst = strText.find_first_not_of(" \t\r\n");
    if (nFirst != std::string::npos && strText[nFirst] == '[') {
        std::vector<std::vector<std::pair<std::string, std::string>>> records;
        if (!JsonReader(strText).ReadRecords(records)) {
            problems.push_back("not a list of records in JSON");
            return entries;
        }
        for (const auto& record : records) {
            CheckEntry entry;
            for (const auto& [key, value] : record) {
                if (key == "Path" && entry.strPath.empty())
                    entry.strPath = value;
                else if (key == "Path bytes")
                    entry.strPath = FromHex(value);
                else if (key == "MD5 hash")
                    entry.strDigest = value;
            }
            entries.push_back(entry);
        }
        return entries;
    }
    if (strText.rfind("Path,Name,", 0) == 0) {
        EntriesFromTable(ParseCsv(strText), entries, problems);
        return entries;
    }
    const std::vector<std::string> lines = SplitLines(strText);
    if (!lines.empty() && lines[0].rfind("Path\tName\t", 0) == 0) {
        std::vector<std::vector<std::string>> rows;
        for (const std::string& line : lines)
            rows.push_back(SplitTabs(line));
        EntriesFromTable(rows, entries, problems);
        return entries;
    }
    for (size_t n = 0; n < lines.size(); ++n) {
        std::string line = lines[n];
        if (line.empty())
            continue;
        const bool bEscaped = line[0] == '\\';
        if (bEscaped)
            line.erase(0, 1);
        if (line.size() < 35 || !IsDigest(line.substr(0, 32)) || line[32] != ' ' ||
            (line[33] != ' ' && line[33] != '*')) {
            problems.push_back("line " + std::to_string(n + 1) + " is not a checksum line");
            continue;
        }
        std::string strPath = line.substr(34);
        if (bEscaped) {
            std::string strPlain;
            for (size_t i = 0; i < strPath.size(); ++i) {
                if (strPath[i] == '\\' && i + 1 < strPath.size()) {
                    const char c = strPath[++i];
                    strPlain += c == 'n' ? '\n' : c == 'r' ? '\r' : c;
                } else {
                    strPlain += strPath[i];
                }
            }
            strPath = strPlain;
        }
        entries.push_back({strPath, line.substr(0, 32)});
    }
    return entries;
}
