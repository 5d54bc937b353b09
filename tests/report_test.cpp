// Runs the built quillometer-report the way scripts do and checks what reaches standard output,
// standard error and the exit status.

#include <gtest/gtest.h>
#include <simdjson.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support.h"

namespace quill {
namespace {

using Lines = std::vector<std::string>;

struct RunResult {
    int status = -1;
    Lines out;
    std::string err;
    std::string raw;  ///< standard output byte for byte
};

// Single quotes carry every byte, ill-formed UTF-8 included, through the shell untouched.
std::string quoted(const std::string& text) {
    std::string result = "'";
    for (const char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

std::string modelLine(const std::string& name, std::int64_t startTime, int lines) {
    return R"({"kind":"model","fileName":")" + name + R"(","startTime":)" +
           std::to_string(startTime) + R"(,"lines":)" + std::to_string(lines) + "}";
}

/// The line of a process listed once, in one Persist record at `time`.
std::string process(const std::string& name, std::int64_t bytes, std::int64_t time) {
    const std::string n = std::to_string(bytes);
    const std::string t = std::to_string(time);
    return R"({"kind":"process","process":")" + name + R"(","bytes":)" + n +
           R"(,"records":1,"persist":)" + n + R"(,"special":0,"other":0,"peakBytes":)" + n +
           R"(,"peakTime":)" + t + R"(,"first":)" + t + R"(,"last":)" + t + "}";
}

class ReportTest : public ::testing::Test {
protected:
    /// Runs the tool in the temporary directory, where the files are, with TZ=UTC so that dates
    /// do not depend on the host.
    RunResult run(const Lines& args, const std::string& output = ".stdout") {
        // Appended piece by piece: GCC 12 at -O3 takes `"literal" + std::string&&` for an
        // overlapping memcpy (-Wrestrict, GCC bug 105329).
        std::string command = "cd ";
        command += quoted(dir.path());
        // A tool that hangs fails its test with status 124 rather than stalling the suite.
        command += " && TZ=UTC timeout 30 ";
        command += quoted(QUILL_REPORT_EXE);
        for (const std::string& arg : args) {
            command += ' ';
            command += quoted(arg);
        }
        const int status = ::system((command + " >" + output + " 2>.stderr").c_str());
        RunResult result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, {}, {}, {}};
        std::ostringstream raw;
        raw << std::ifstream(dir.path() / ".stdout", std::ios::binary).rdbuf();
        result.raw = raw.str();
        std::istringstream out(result.raw);
        for (std::string line; std::getline(out, line);) result.out.push_back(line);
        std::ostringstream err;
        err << std::ifstream(dir.path() / ".stderr").rdbuf();
        result.err = err.str();
        return result;
    }

    test::TempDir dir;
};

TEST_F(ReportTest, OutputForKnownFiles) {
    // Lines that are not records are skipped; points need three processes, the rate a
    // previous record of the same file.
    const std::string f = "stats.jsonl";
    dir.write(f, test::statLine(1700000000, 10240, "Persist.db") + "\nnot json\n\n" +
                     test::statLine(1700000010, 20480, "Persist.db",
                                    {{"/a/x", 2048}, {"y", 1023}, {"/b/x", 5000}}));
    dir.write("early.jsonl", test::statLine(1690000000, 1, "Other"));
    test::makeFifo(dir, "fifo.jsonl");
    const std::string model = modelLine(f, 1700000000, 2);
    // clang-format off
    const std::vector<std::tuple<Lines, int, Lines>> rows = {
        // Usage errors.
        {Lines{}, 2, {}}, {{"--summary"}, 2, {}}, {{"--"}, 2, {}}, {{"--bogus", f}, 2, {}},
        {{"-s", f}, 2, {}}, {{f, "--select"}, 2, {}}, {{"--select", "0", f}, 2, {}},
        {{"--select", "-1", f}, 2, {}}, {{"--select", "+1", f}, 2, {}},
        {{"--select", "1.5", f}, 2, {}}, {{"--select", "", f}, 2, {}}, {{"--select=", f}, 2, {}},
        {{"--select", "99999999999999999999999", f}, 2, {}}, {{"--select", "--summary", f}, 2, {}},
        {{"--summary", "--summary", f}, 2, {}}, {{"--select", "1", "--select=1", f}, 2, {}},
        {{"--top", "-1", f}, 2, {}}, {{"--from", "1", f}, 2, {}}, {{"--top=1", "--to", "x", f}, 2, {}},
        {{"--top", "1", "--select", "1", f}, 2, {}}, {{"--top", "1", "--csv", f}, 2, {}},
        // Following goes alone, with one file; a file missing at the start is not waited for.
        {{"--follow"}, 2, {}}, {{"--follow", f, f}, 2, {}}, {{"--follow", "--follow", f}, 2, {}},
        {{"--follow", "--summary", f}, 2, {}}, {{f, "--follow", "--csv"}, 2, {}},
        {{"--follow", "--select=1", f}, 2, {}}, {{"--top", "1", "--follow", f}, 2, {}},
        {{"--follow", "--from", "1", f}, 2, {}},
        {{"--follow", "missing.jsonl"}, 1, {modelLine("missing.jsonl", 2771537664, 0)}},
        {{f}, 0, {model,
          R"({"kind":"line","prevDate":"","entryDate":"22:13:20+0000 2023-11-14",)"
          R"("chartDate":1700000000,"size":"10 KB","duration":"","rate":"","rateInt":0,)"
          R"("file":"Persist.db"})",
          R"({"kind":"line","prevDate":"22:13:20+0000 2023-11-14",)"
          R"("entryDate":"22:13:30+0000 2023-11-14","chartDate":1700000010,"size":"20 KB",)"
          R"("duration":"10","rate":"2048 B/s","rateInt":2,"file":"Persist.db"})",
          R"({"kind":"persist","time":10,"size":2,"value":"Persist 1","date":1700000010})",
          R"({"kind":"persist","time":10,"size":0,"value":"Persist 2","date":1700000010})",
          R"({"kind":"persist","time":10,"size":4,"value":"Persist 3","date":1700000010})",
          R"({"kind":"rate","time":10,"rate":2,"date":1700000010})"}},
        {{"--summary", f}, 0, {model}},
        // Selections count from 1; a process shows by its base name, kilobytes truncate.
        {{"--summary", "--select", "2", f}, 0, {model,
          R"({"kind":"selected","dateText":"2023-11-14 22:13:30+0000","totalKB":20,)"
          R"("title":"Persist.db"})",
          R"({"kind":"bar","process":"x","sizeKB":2,"count":1})",
          R"({"kind":"bar","process":"y","sizeKB":0,"count":2})",
          R"({"kind":"bar","process":"x","sizeKB":4,"count":3})"}},
        // Processes by bytes within the window, after each file's own model line.
        {{"--top", "0", "--from", "1700000005", "--to=1700000010", f}, 0, {model,
          process("/b/x", 5000, 1700000010), process("/a/x", 2048, 1700000010),
          process("y", 1023, 1700000010)}},
        {{"--top", "1", "early.jsonl", f}, 0, {modelLine("early.jsonl", 1690000000, 1),
          modelLine(f, 1690000000, 2), process("/b/x", 5000, 1700000010)}},
        {{"--summary", "--select", "3", f}, 0, {model}},
        {{"--summary", "--select", "18446744073709551615", f}, 0, {model}},
        // Every file loads into one model, which ends with the last file's lines.
        {{"--summary", "early.jsonl", f}, 0, {modelLine(f, 1690000000, 2)}},
        {{"missing.jsonl"}, 1, {modelLine("missing.jsonl", 2771537664, 0)}},
        {{"fifo.jsonl"}, 1, {modelLine("fifo.jsonl", 2771537664, 0)}}};
    // clang-format on
    for (const auto& [args, status, out] : rows) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const RunResult r = run(args);
        EXPECT_EQ(r.status, status) << r.err;
        EXPECT_EQ(r.out, out);
        EXPECT_EQ(r.err.empty(), status == 0) << r.err;
        EXPECT_TRUE(status != 2 || r.err.find("\nUsage: quillometer-report ") != r.err.npos);
    }
    EXPECT_EQ(run({"fifo.jsonl"}).err, "quillometer-report: fifo.jsonl: not a regular file\n");
}

TEST_F(ReportTest, OutputIsValidJsonWhateverTheInputHeld) {
    // Ill-formed UTF-8 in the file's name and in a text, with quotes and controls to escape.
    const std::string value = std::string("Per\xffsist") + R"(\"\\\n\u0001\u0000)" + "\xe2\x82";
    dir.write("bad\xff\xc3.jsonl", test::statLine(1700000000, 5, value));
    const RunResult r = run({"bad\xff\xc3.jsonl"});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.out.size(), 2u);
    simdjson::dom::parser parser;
    std::string_view text;
    ASSERT_EQ(parser.parse(r.out[0])["fileName"].get(text), simdjson::SUCCESS) << r.out[0];
    EXPECT_EQ(text, "bad\uFFFD\uFFFD.jsonl");
    ASSERT_EQ(parser.parse(r.out[1])["file"].get(text), simdjson::SUCCESS) << r.out[1];
    using namespace std::string_literals;
    EXPECT_EQ(text, "Per\uFFFDsist\"\\\n\x01\0\uFFFD"s);
}

TEST_F(ReportTest, CsvListsEveryLineOfEveryFileUnderOneHeader) {
    // The file texts are JSON-escaped here: a comma, quotes and a line feed.
    dir.write("a.jsonl", test::statLine(1700000000, 10240, R"(Persist,\"x\"\n.db)") + "\n" +
                             test::statLine(1700000060, 3000000, R"(Persist,\"x\"\n.db)"));
    dir.write("b.jsonl", test::statLine(1700000000, 1500, "Other"));
    const std::string header = "previous,time,interval_s,size,rate,file,unix_time,total_bytes\r\n";
    const std::string a =
        ",22:13:20+0000 2023-11-14,,10 KB,,\"Persist,\"\"x\"\"\n.db\",1700000000,10240\r\n"
        "22:13:20+0000 2023-11-14,22:14:20+0000 2023-11-14,60,2929 KB,50000 B/s,"
        "\"Persist,\"\"x\"\"\n.db\",1700000060,3000000\r\n";
    // Each file is derived afresh, as when it is opened in the window.
    const std::string b = ",22:13:20+0000 2023-11-14,,1 KB,,Other,1700000000,1500\r\n";
    RunResult r = run({"--csv", "a.jsonl", "b.jsonl"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.raw, header + a + b);
    EXPECT_EQ(r.err, "");
    // A file that cannot be read is reported; the others are still listed.
    r = run({"--csv", "missing.jsonl", "b.jsonl"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.raw, header + b);
    EXPECT_NE(r.err.find("quillometer-report: missing.jsonl: "), std::string::npos) << r.err;
    // The list goes alone: JSON options do not mix with it.
    for (const Lines& args :
         {Lines{"--csv", "--summary", "b.jsonl"}, Lines{"--select", "1", "--csv", "b.jsonl"},
          Lines{"--csv", "--csv", "b.jsonl"}, Lines{"--csv"}}) {
        r = run(args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(r.raw, "");
    }
    EXPECT_EQ(run({"--csv", "b.jsonl"}, "/dev/full").status, 1);
}

}  // namespace
}  // namespace quill
