#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "formats.h"
#include "test_files.h"

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun RunWith(std::vector<std::string> args) {
    args.insert(args.begin(), "pakrill-cli");
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int status = RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

#ifdef _WIN32
const char kSep = '\\';
#else
const char kSep = '/';
#endif

// A path as a TSV field: backslashes written twice.
std::string Tsv(const std::string& s) {
    std::string out;
    for (char c : s)
        out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
}

// The Path field of each record of a TSV output, unescaped.
std::vector<std::string> TsvPaths(const std::string& out) {
    std::vector<std::string> paths;
    std::istringstream lines(out);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::string path;
        const std::string field = line.substr(0, line.find('\t'));
        for (size_t i = 0; i < field.size(); ++i)
            path += field[i] == '\\' && i + 1 < field.size() ? field[++i] : field[i];
        paths.push_back(path);
    }
    return paths;
}

}  // namespace

TEST(Cli, TsvHasHeaderAndOneLinePerFileInArgumentOrder) {
    TempDir dir;
    const std::string a = dir.Write("a.sis", MakeBytes(72, {{0, 0x2A, 4}, {40, 1, 2}, {68, 1, 4}}));
    const std::string b = dir.Write("b.sis", {});
    const CliRun run = RunWith({"--format", "tsv", a, b});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "Path\tName\tVersion\tUID\tSize\tSig\tMD5 hash\tKind\tBytes\n" + Tsv(a) +
                  "\ta.sis\t1.0.0\t0x2a\t0 Kb\tYes\t104E48CFF9D8192894F115F5FB9E2C9D\tunknown\t72\n" + Tsv(b) +
                  "\tb.sis\t0.0.0\t0\t0 Kb\t\tD41D8CD98F00B204E9800998ECF8427E\tunknown\t0\n");
}

TEST(Cli, UnreadableFileIsReportedAndTheRestFollow) {
    TempDir dir;
    const std::string good = dir.Write("good.sis", {});
    const std::string gone = dir.PathOf("gone.sis");
    const CliRun run = RunWith({"--format=csv", gone, good});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "pakrill-cli: " + gone + " was not found.\n");
    EXPECT_EQ(run.out, "Path,Name,Version,UID,Size,Sig,MD5 hash,Kind,Bytes\r\n" + good +
                           ",good.sis,0.0.0,0,0 Kb,,D41D8CD98F00B204E9800998ECF8427E,unknown,0\r\n");
}

TEST(Cli, QuotingKeepsFieldsWhole) {
    TempDir dir;
#ifdef _WIN32
    // Windows names cannot hold a quote; its separators still need escaping in JSON.
    const std::string path = dir.Write("odd, name.sis", {});
    std::string jsonPath;
    for (char c : path)
        jsonPath += c == '\\' ? std::string("\\\\") : std::string(1, c);
    const std::string csvName = "\"odd, name.sis\"";
    const std::string jsonName = "\"Name\": \"odd, name.sis\"";
#else
    const std::string path = dir.Write("odd, \"quoted\".sis", {});
    const std::string jsonPath = dir.PathOf("odd, \\\"quoted\\\".sis");
    const std::string csvName = "\"odd, \"\"quoted\"\".sis\"";
    const std::string jsonName = "\"Name\": \"odd, \\\"quoted\\\".sis\"";
#endif
    const CliRun csv = RunWith({"--format", "csv", path});
    EXPECT_NE(csv.out.find("\r\n\"" + dir.Path().string()), std::string::npos) << csv.out;
    EXPECT_NE(csv.out.find("," + csvName + ","), std::string::npos) << csv.out;
    const CliRun json = RunWith({"--format", "json", path});
    EXPECT_NE(json.out.find(jsonName), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"Path\": \"" + jsonPath + "\""), std::string::npos) << json.out;
    EXPECT_EQ(json.out.front(), '[');
    EXPECT_EQ(json.out.substr(json.out.size() - 2), "]\n");
    EXPECT_EQ(RunWith({"--format", "json", dir.PathOf("none")}).out, "[]\n");
}

TEST(Cli, TableAlignsColumns) {
    TempDir dir;
    const std::string path = dir.Write("x.sis", {});
    const CliRun run = RunWith({path});
    ASSERT_EQ(run.status, 0);
    const size_t eol = run.out.find('\n');
    const std::string header = run.out.substr(0, eol);
    const std::string row = run.out.substr(eol + 1);
    EXPECT_EQ(header.find("Name"), row.find("  x.sis") + 2) << run.out;
    EXPECT_EQ(header.find("MD5 hash"), row.find("D41D8CD98F00B204E9800998ECF8427E")) << run.out;
    EXPECT_EQ(path.substr(path.rfind(kSep) + 1), "x.sis");
}

// A table of any length is written as it goes, so memory stays bounded: the first
// thousand records settle the widths, later rows use them and stay aligned.
TEST(Cli, LongTableIsWrittenAsItGoes) {
    std::ostringstream out;
    Writer writer(Format::table, out);
    writer.Begin();
    auto record = [](int n) {
        Record r(fieldCount, "x");
        char szPath[32];
        std::snprintf(szPath, sizeof szPath, "p/%04d.sis", n);
        r[fieldPath] = szPath;
        r[fieldDigest] = "D41D8CD98F00B204E9800998ECF8427E";
        return r;
    };
    for (int n = 0; n < 999; ++n)
        writer.Add(record(n));
    EXPECT_EQ(out.str(), "") << "nothing is written before the widths are settled";
    for (int n = 999; n < 2500; ++n)
        writer.Add(record(n));
    const std::string before_end = out.str();
    writer.End();
    EXPECT_EQ(out.str(), before_end) << "every row had been written before the end";
    std::istringstream lines(out.str());
    std::string line, header;
    std::getline(lines, header);
    int nRows = 0;
    while (std::getline(lines, line)) {
        ++nRows;
        ASSERT_EQ(line.find("D41D8CD98F00B204E9800998ECF8427E"), header.find("MD5 hash")) << line;
    }
    EXPECT_EQ(nRows, 2500);
}

TEST(Cli, UsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {}, {"--format"}, {"--format", "xml", "f"}, {"--frobnicate", "f"}, {"--max-size", "ten", "f"},
        {"--max-size=-1", "f"}, {"--check", "list", "f"}, {"--files-from"},
    };
    for (const auto& args : cases) {
        const CliRun run = RunWith(args);
        EXPECT_EQ(run.status, 2) << (args.empty() ? "(no arguments)" : args[0]);
        EXPECT_EQ(run.err.rfind("pakrill-cli: ", 0), 0u);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(RunWith({"--version"}).out, "pakrill-cli 1.0.0\n");
    EXPECT_EQ(RunWith({"--help"}).status, 0);
}

// Files are inspected on several threads; records and errors still come in argument order.
TEST(Cli, ManyFilesKeepArgumentOrder) {
    TempDir dir;
    std::vector<std::string> args = {"--format", "tsv"};
    std::string expectedErr;
    for (int i = 0; i < 40; ++i) {
        const std::string name = "f" + std::to_string(i) + ".sis";
        if (i % 13 == 5) {
            args.push_back(dir.PathOf(name));
            expectedErr += "pakrill-cli: " + dir.PathOf(name) + " was not found.\n";
            continue;
        }
        // Larger files first, so later ones would finish sooner if order slipped.
        const std::string path = dir.Write(name, MakeBytes(static_cast<size_t>(40 - i) * 20000, {{0, 0x2A, 4}}));
        args.push_back(path);
    }
    const CliRun run = RunWith(args);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, expectedErr);
    size_t nFrom = 0;
    for (size_t i = 2; i < args.size(); ++i) {
        if (args[i].find("f") == std::string::npos || run.err.find(args[i]) != std::string::npos)
            continue;
        const size_t nAt = run.out.find(Tsv(args[i]) + "\t", nFrom);
        ASSERT_NE(nAt, std::string::npos) << args[i] << " missing or out of order";
        nFrom = nAt + 1;
    }
}

TEST(CliWalk, FolderIsWalkedDepthFirstInVolumeOrder) {
    TempDir dir;
    namespace fs = std::filesystem;
    const std::string root = dir.PathOf("tree");
    for (const char* folder : {"tree/Sub", "tree/x.sis", "tree/..a", "tree/Sub/deeper"})
        fs::create_directories(dir.PathOf(folder));
    for (const char* file : {"tree/a.sis", "tree/B.SIS", "tree/c.txt", "tree/x.sisx", "tree/thesis", "tree/.sis",
                             "tree/_under.sis", "tree/[x.sis", "tree/Zeta.sis", "tree/Sub/in.sis",
                             "tree/Sub/deeper/deep.Sis", "tree/x.sis/inner.sis", "tree/..a/dots.sis"})
        dir.Write(file, {});
    const std::string s = std::string(1, kSep);
    const std::vector<std::string> expected = {
        root + s + "..a" + s + "dots.sis", root + s + ".sis", root + s + "a.sis",
        root + s + "B.SIS", root + s + "Sub" + s + "deeper" + s + "deep.Sis",
        root + s + "Sub" + s + "in.sis", root + s + "thesis", root + s + "x.sis" + s + "inner.sis",
        root + s + "Zeta.sis", root + s + "[x.sis", root + s + "_under.sis"};
    const CliRun run = RunWith({"--format", "tsv", root});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(TsvPaths(run.out), expected);
}

#ifndef _WIN32
// A link back up the tree would never end, and a FIFO with no writer would wait
// for ever: both are reported and the walk goes on.
TEST(CliWalk, LinkLoopAndFifoAndSocketAreReportedNotFollowed) {
    TempDir dir;
    namespace fs = std::filesystem;
    const std::string root = dir.PathOf("t");
    fs::create_directories(root + "/in");
    dir.Write("t/a.sis", {});
    dir.Write("t/in/b.sis", {});
    fs::create_directory_symlink("..", root + "/in/up.sis");
    fs::create_directory_symlink(root + "/in", root + "/link");
    ASSERT_EQ(mkfifo((root + "/pipe.sis").c_str(), 0600), 0);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = root + "/sock.sis";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    const CliRun run = RunWith({"--format", "tsv", root});
    close(fd);
    EXPECT_EQ(run.status, 1);
    const std::vector<std::string> expected = {root + "/a.sis", root + "/in/b.sis", root + "/link/b.sis"};
    EXPECT_EQ(TsvPaths(run.out), expected);
    EXPECT_EQ(run.err, "pakrill-cli: " + root + "/in/up.sis leads back to a folder that is being walked; skipped.\n" +
                           "pakrill-cli: " + root + "/link/up.sis leads back to a folder that is being walked; skipped.\n" +
                           "pakrill-cli: " + root + "/pipe.sis is not a regular file.\n" +
                           "pakrill-cli: " + root + "/sock.sis is not a regular file.\n");
}
#endif

// A list in each format pakrill-cli writes, checked after one file lost a byte's
// worth of truth and another went away.
TEST(CliCheck, RoundTripCatchesAChangedByteAndAMissingFile) {
#ifdef _WIN32
    const std::string oddName = "changed, odd.sis";  // Windows names hold no quote
#else
    const std::string oddName = "changed, \"odd\".sis";
#endif
    for (const char* format : {"md5sum", "tsv", "csv", "json"}) {
        TempDir dir;
        const std::string same = dir.Write("same.sis", MakeBytes(5000, {{0, 7, 4}}));
        const std::string changed = dir.Write(oddName, MakeBytes(300, {{0, 9, 4}}));
        const std::string gone = dir.Write("gone.sis", {1, 2, 3});
        const std::string list = dir.PathOf("list");
        const CliRun made = RunWith({"--format", format, same, changed, gone});
        ASSERT_EQ(made.status, 0) << format << made.err;
        std::ofstream(list, std::ios::binary) << made.out;

        EXPECT_EQ(RunWith({"--check", list}).out, same + ": OK\n" + changed + ": OK\n" + gone + ": OK\n") << format;
        dir.Write(oddName, MakeBytes(300, {{0, 9, 4}, {299, 1, 1}}));
        std::filesystem::remove(gone);
        const CliRun checked = RunWith({"--check", list});
        EXPECT_EQ(checked.status, 1) << format;
        EXPECT_EQ(checked.out, same + ": OK\n" + changed + ": FAILED\n" + gone + ": missing\n") << format;
        EXPECT_EQ(checked.err, "") << format;
    }
}

// Names come from a list file as well as the command line, in the list's order;
// with --null they end with NUL, so a name may hold a line break.
TEST(CliCheck, FilesFromAList) {
    TempDir dir;
    const std::string a = dir.Write("a.sis", {1}), b = dir.Write("b.sis", {2}), c = dir.Write("c.sis", {1});
    std::ofstream(dir.PathOf("lines"), std::ios::binary) << b << "\n\n" << c << "\n";
    std::ofstream(dir.PathOf("names0"), std::ios::binary) << a << '\0' << b << '\0';
    const CliRun lines = RunWith({"--format", "md5sum", a, "--files-from", dir.PathOf("lines")});
    EXPECT_EQ(lines.err, "");
    EXPECT_EQ(lines.out, "55a54008ad1ba589aa210d2629c1df41  " + a + "\n9e688c58a5487b8eaf69c9e1005ad0bf  " + b +
                             "\n55a54008ad1ba589aa210d2629c1df41  " + c + "\n");
    const CliRun nul = RunWith({"--format", "md5sum", "--null", "--files-from=" + dir.PathOf("names0")});
    EXPECT_EQ(nul.out, "55a54008ad1ba589aa210d2629c1df41  " + a + "\n9e688c58a5487b8eaf69c9e1005ad0bf  " + b + "\n");
    const CliRun none = RunWith({"--files-from", dir.PathOf("absent")});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "pakrill-cli: " + dir.PathOf("absent") + " was not found.\n");
}
