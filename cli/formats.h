#pragma once
#include <ostream>
#include <string>
#include <vector>

// The fields of one record, in output order.
enum Field { fieldPath, fieldName, fieldVersion, fieldUid, fieldSize, fieldSig, fieldDigest, fieldKind, fieldBytes,
             fieldCount };
extern const char* const kFieldNames[fieldCount];
using Record = std::vector<std::string>;

enum class Format { table, tsv, csv, json, md5sum };

// A field for a tab-separated line: tab, CR, LF and backslash as \t, \r, \n, \\.
std::string TsvField(const std::string& s);
std::string TsvUnescape(const std::string& s);
std::string CsvField(const std::string& s);
// A JSON string literal of valid UTF-8 text; bExact is false when some bytes of s
// were not text and had to be replaced.
std::string JsonString(const std::string& s, bool& bExact);
std::string HexOf(const std::string& s);
// Control characters as \n, \r, \t or \xHH, so no text can start a line of its own.
std::string QuoteControls(const std::string& s);
// The columns a terminal gives a cell (escaped as the table shows it).
size_t DisplayWidth(const std::string& s);
// The table's form of a cell: controls and bytes that are not text escaped.
std::string TableCell(const std::string& s);
// A line md5sum can check: lower-case digest, two spaces, the path (escaped as
// md5sum escapes it when the path holds a backslash or a line break).
std::string Md5sumLine(const std::string& strDigest, const std::string& strPath);
bool IsDigest(const std::string& s);

// Raised when the output cannot be written; the text is the system's.
struct WriteError {
    std::string strText;
};

class Writer {
public:
    Writer(Format format, std::ostream& out) : m_format(format), m_out(out) {}
    void Begin();
    void Add(const Record& record);
    void End();
    // Raises WriteError when the stream has failed.
    void Check();

private:
    void WriteLine(const Record& record);
    void WriteJson(const Record& record);
    void WriteTable();
    void WriteTableRow(const Record& cells);

    // How many records the table waits for before it settles its column widths.
    static constexpr size_t kTableWidthRecords = 1000;

    Format m_format;
    std::ostream& m_out;
    std::vector<Record> m_table;
    bool m_bTableStarted = false;
    size_t m_tableWidths[fieldCount] = {};
    size_t m_nRecords = 0;
};

// One entry of a list to check: the path and the digest it should have.
struct CheckEntry {
    std::string strPath;
    std::string strDigest;
};

// Reads a list written by md5sum or by pakrill-cli (md5sum, TSV, CSV or JSON).
// Lines it cannot read are named in problems.
std::vector<CheckEntry> ParseCheckList(const std::string& strText, std::vector<std::string>& problems);
