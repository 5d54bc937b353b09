// Runs the built quillometer-report the way scripts do and checks what reaches standard output,
// standard error and the exit status.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <simdjson.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace quill {
namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status = -1;  ///< exit status, or 128 + signal number
    std::string out;
    std::string err;
};

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// The environment of this process with TZ=UTC, so that date texts do not depend on the host.
std::vector<std::string> childEnvironment() {
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (!std::string_view(*entry).starts_with("TZ=")) env.emplace_back(*entry);
    }
    env.emplace_back("TZ=UTC");
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (std::string& s : strings) result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

/// Parses one output line; fails the test when it is not valid UTF-8 JSON.
std::string stringMember(const std::string& line, const char* key) {
    simdjson::dom::parser parser;
    simdjson::dom::element doc;
    EXPECT_EQ(parser.parse(line).get(doc), simdjson::SUCCESS) << line;
    std::string_view value;
    EXPECT_EQ(doc[key].get_string().get(value), simdjson::SUCCESS) << key << " in " << line;
    return std::string(value);
}

/// A statistics line with processes given as (name, sizeBytes), names already JSON-escaped.
std::string record(std::int64_t unixTime, std::int64_t totalBytes,
                   const std::vector<std::pair<std::string, std::int64_t>>& processes,
                   const std::string& file) {
    std::string list;
    for (const auto& [name, size] : processes) {
        if (!list.empty()) list += ',';
        list += R"({"process":")" + name + R"(","sizeBytes":)" + std::to_string(size) + "}";
    }
    return R"({"unixTime":)" + std::to_string(unixTime) + R"(,"totalBytes":)" +
           std::to_string(totalBytes) + R"(,"processList":[)" + list +
           R"(],"type":"t","record":"r","file":")" + file + "\"}\n";
}

const std::vector<std::pair<std::string, std::int64_t>> kThree = {
    {"p1", 2048}, {"p2", 4096}, {"/x/p3", 1024}};

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quill-report-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    std::string writeFile(const std::string& name, const std::string& content) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    /// Runs the tool in the temporary directory; its output goes to `outPath` when given.
    RunResult run(std::vector<std::string> args, const std::string& outPath = {}) {
        const fs::path out = outPath.empty() ? dir_ / ".stdout" : fs::path(outPath);
        const fs::path err = dir_ / ".stderr";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
        args.insert(args.begin(), QUILL_REPORT_EXE);
        std::vector<std::string> env = childEnvironment();
        std::vector<char*> argv = pointers(args);
        std::vector<char*> envp = pointers(env);
        pid_t pid = 0;
        const int spawned =
            posix_spawn(&pid, QUILL_REPORT_EXE, &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        RunResult result;
        if (spawned != 0) {
            ADD_FAILURE() << "cannot start " << QUILL_REPORT_EXE;
            return result;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (outPath.empty()) result.out = readAll(out);
        result.err = readAll(err);
        return result;
    }

    fs::path dir_;
};

constexpr char kEmptyModel[] =
    R"({"kind":"model","fileName":"missing.jsonl","startTime":2771537664,"lines":0})";

TEST_F(ReportTest, BadArgumentsGiveUsageAndNoOutput) {
    const std::string file = writeFile("stats.jsonl", record(1700000000, 1, kThree, "Persist"));
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--summary"},
        {"--"},
        {"--bogus", file},
        {"-s", file},
        {file, "--select"},
        {"--select", "0", file},
        {"--select", "-1", file},
        {"--select", "+1", file},
        {"--select", "1.5", file},
        {"--select", "1x", file},
        {"--select", "", file},
        {"--select=", file},
        {"--select", "99999999999999999999999", file},
        {"--select", "--summary", file},
        {"--summary", "--summary", file},
        {"--select", "1", "--select=1", file},
        {"--selected", file},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const auto& a : args) shown += "[" + a + "] ";
        const RunResult r = run(args);
        EXPECT_EQ(r.status, 2) << shown;
        EXPECT_EQ(r.out, "") << shown;
        EXPECT_NE(r.err.find("Usage: quillometer-report"), std::string::npos) << shown << r.err;
    }
}

TEST_F(ReportTest, HelpGoesToStandardOutput) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, std::vector<std::string>{"nofile", "--help"}}) {
        const RunResult r = run(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.out.starts_with("Usage: quillometer-report")) << r.out;
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(ReportTest, OptionSpellingsAndDoubleDash) {
    writeFile("--summary", record(1700000000, 1, kThree, "Other"));
    writeFile("-", record(1700000000, 1, kThree, "Other"));
    // After "--" an option-like name is a file, and a lone "-" is always one.
    RunResult r = run({"--", "--summary"});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(splitLines(r.out).size(), 2u) << r.out;
    EXPECT_EQ(splitLines(r.out)[0],
              R"({"kind":"model","fileName":"--summary","startTime":1700000000,"lines":1})");

    r = run({"-", "--summary", "--select=1"});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto lines = splitLines(r.out);
    ASSERT_EQ(lines.size(), 5u) << r.out;  // model, selected, three bars
    EXPECT_TRUE(lines[0].starts_with(R"({"kind":"model","fileName":"-",)")) << lines[0];
    EXPECT_TRUE(lines[1].starts_with(R"({"kind":"selected",)")) << lines[1];
}

TEST_F(ReportTest, FullOutputInOrder) {
    const std::string file =
        writeFile("stats.jsonl", record(1700000000, 10240, kThree, "Persist.db") + "not json\n\n" +
                                     record(1700000010, 20480, kThree, "Persist.db") +
                                     record(1700000005, 3072, kThree, "Special.db") +
                                     record(1700000020, 100, {{"p1", 1}}, "Other"));
    const RunResult r = run({file});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<std::string> expected = {
        R"({"kind":"model","fileName":"stats.jsonl","startTime":1700000000,"lines":4})",
        R"({"kind":"line","prevDate":"","entryDate":"22:13:20+0000 2023-11-14",)"
        R"("chartDate":1700000000,"size":"10 KB","duration":"","rate":"","rateInt":0,)"
        R"("file":"Persist.db"})",
        R"({"kind":"line","prevDate":"22:13:20+0000 2023-11-14",)"
        R"("entryDate":"22:13:30+0000 2023-11-14","chartDate":1700000010,"size":"20 KB",)"
        R"("duration":"10","rate":"2048 B/s","rateInt":2,"file":"Persist.db"})",
        R"({"kind":"line","prevDate":"","entryDate":"22:13:25+0000 2023-11-14",)"
        R"("chartDate":1700000005,"size":"3 KB","duration":"","rate":"","rateInt":0,)"
        R"("file":"Special.db"})",
        R"({"kind":"line","prevDate":"","entryDate":"22:13:40+0000 2023-11-14",)"
        R"("chartDate":1700000020,"size":"0 KB","duration":"","rate":"","rateInt":0,)"
        R"("file":"Other"})",
        R"({"kind":"persist","time":0,"size":2,"value":"Persist 1","date":1700000000})",
        R"({"kind":"persist","time":0,"size":4,"value":"Persist 2","date":1700000000})",
        R"({"kind":"persist","time":0,"size":1,"value":"Persist 3","date":1700000000})",
        R"({"kind":"persist","time":10,"size":2,"value":"Persist 1","date":1700000010})",
        R"({"kind":"persist","time":10,"size":4,"value":"Persist 2","date":1700000010})",
        R"({"kind":"persist","time":10,"size":1,"value":"Persist 3","date":1700000010})",
        R"({"kind":"special","time":5,"size":2,"value":"Special 1","date":1700000005})",
        R"({"kind":"special","time":5,"size":4,"value":"Special 2","date":1700000005})",
        R"({"kind":"special","time":5,"size":1,"value":"Special 3","date":1700000005})",
        R"({"kind":"rate","time":0,"rate":0,"date":1700000000})",
        R"({"kind":"rate","time":10,"rate":2,"date":1700000010})",
    };
    EXPECT_EQ(splitLines(r.out), expected);
    EXPECT_TRUE(r.out.ends_with("}\n"));
}

TEST_F(ReportTest, SummaryPrintsOnlyTheModelLine) {
    const std::string file = writeFile("stats.jsonl", record(1700000000, 1, kThree, "Persist") +
                                                          record(1700000001, 1, kThree, "Special"));
    const RunResult r = run({"--summary", file});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, R"({"kind":"model","fileName":"stats.jsonl","startTime":1700000000,"lines":2})"
                     "\n");
}

TEST_F(ReportTest, UnreadableFilesAreReportedAndSkipped) {
    const std::string good = writeFile("good.jsonl", record(1700000000, 1, kThree, "Persist"));
    const std::string missing = (dir_ / "missing.jsonl").string();

    RunResult r = run({missing});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quillometer-report: " + missing + ": No such file or directory\n");
    EXPECT_EQ(r.out, std::string(kEmptyModel) + "\n");

    // The last load decides the list, and a failed one empties it; the output still comes.
    r = run({"--summary", good, missing});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              R"({"kind":"model","fileName":"missing.jsonl","startTime":1700000000,"lines":0})"
              "\n");

    r = run({missing, good});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(splitLines(r.out).size(), 6u) << r.out;  // model, line, three persist points, rate
    EXPECT_TRUE(r.out.starts_with(
        R"({"kind":"model","fileName":"good.jsonl","startTime":1700000000,"lines":1})"));

    r = run({"--summary", dir_.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quillometer-report: " + dir_.string() + ": is a directory\n");
}

TEST_F(ReportTest, StartTimeCarriesOverBetweenFiles) {
    const std::string early = writeFile("early.jsonl", record(1700000100, 1, kThree, "Other") +
                                                           record(1700000000, 1, kThree, "Other"));
    const std::string late = writeFile("late.jsonl", record(1700000500, 2048, kThree, "Persist"));
    for (const auto& args :
         {std::vector<std::string>{early, late}, std::vector<std::string>{late, early}}) {
        const RunResult r = run(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.out.starts_with(R"({"kind":"model","fileName":")" +
                                      fs::path(args[1]).filename().string() +
                                      R"(","startTime":1700000000,)"))
            << r.out;
    }
    // Points of the last file are timed from the earliest record of all files.
    const RunResult r = run({early, late});
    EXPECT_NE(
        r.out.find(
            R"({"kind":"persist","time":500,"size":2,"value":"Persist 1","date":1700000500})"),
        std::string::npos)
        << r.out;
}

TEST_F(ReportTest, SelectChartsTheChosenLine) {
    const std::string file = writeFile(
        "stats.jsonl",
        record(1700000000, -1500, {}, "Empty") +
            record(1700000000, 8071, {{"/a/x", 2048}, {"y", 1023}, {"/b/x", 5000}}, "Persist.db"));
    RunResult r = run({"--summary", "--select", "2", file});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(splitLines(r.out),
              (std::vector<std::string>{
                  R"({"kind":"model","fileName":"stats.jsonl","startTime":1700000000,"lines":2})",
                  R"({"kind":"selected","dateText":"2023-11-14 22:13:20+0000","totalKB":7,)"
                  R"("title":"Persist.db"})",
                  R"({"kind":"bar","process":"x","sizeKB":2,"count":1})",
                  R"({"kind":"bar","process":"y","sizeKB":0,"count":2})",
                  R"({"kind":"bar","process":"x","sizeKB":4,"count":3})",
              }));

    // KB truncate toward zero; a record without processes has no bars.
    r = run({"--select=1", file});
    const auto lines = splitLines(r.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), R"({"kind":"selected","dateText":"2023-11-14 22:13:20+0000",)"
                            R"("totalKB":-1,"title":"Empty"})");
}

TEST_F(ReportTest, SelectBeyondTheListPrintsNoSelection) {
    const std::string file = writeFile("stats.jsonl", record(1700000000, 1, kThree, "Persist"));
    const std::string empty = writeFile("empty.jsonl", "");
    for (const auto& args :
         {std::vector<std::string>{"--summary", "--select", "2", file},
          std::vector<std::string>{"--summary", "--select", "1", empty},
          std::vector<std::string>{"--summary", "--select", "18446744073709551615", file}}) {
        const RunResult r = run(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(splitLines(r.out).size(), 1u) << r.out;
        EXPECT_EQ(r.out.find("selected"), std::string::npos);
    }
}

TEST_F(ReportTest, OutputIsValidJsonWhateverTheInputHeld) {
    // Ill-formed UTF-8 in the file's name and in its texts; control characters, quotes and
    // backslashes that must be escaped.
    const std::string name = "bad\xff\xc3.jsonl";
    const std::string file = writeFile(
        name, record(1700000000, 5, {{"q\\\"b\\\\s\\n\\t\\r\\b\\f\\u0001\\u001f\x7f\\u0000e", 1}},
                     "Per\xffsist\xe2\x82") +
                  record(1700000001, 5, kThree, "tab\\there"));
    const RunResult r = run({"--select", "1", file});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto lines = splitLines(r.out);
    ASSERT_EQ(lines.size(), 5u) << r.out;  // model, two lines, selected, bar
    EXPECT_EQ(stringMember(lines[0], "fileName"), "bad\xEF\xBF\xBD\xEF\xBF\xBD.jsonl");
    EXPECT_EQ(stringMember(lines[1], "file"), "Per\xEF\xBF\xBDsist\xEF\xBF\xBD");
    EXPECT_EQ(stringMember(lines[2], "file"), "tab\there");
    EXPECT_EQ(stringMember(lines[3], "title"), "Per\xEF\xBF\xBDsist\xEF\xBF\xBD");
    using namespace std::string_literals;
    EXPECT_EQ(stringMember(lines[4], "process"), "q\"b\\s\n\t\r\b\f\x01\x1f\x7f\0e"s);
    EXPECT_NE(lines[4].find(R"("q\"b\\s\n\t\r\b\f\u0001\u001f)"), std::string::npos) << lines[4];
    EXPECT_NE(lines[4].find(R"(\u0000e")"), std::string::npos) << lines[4];
}

TEST_F(ReportTest, IntegralDatesPrintAsPlainIntegers) {
    // Shortest round-trip notation alone would write 1e+11 here.
    const std::string file = writeFile("far.jsonl", record(100000000000, 1, kThree, "Persist"));
    const RunResult r = run({file});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(R"("chartDate":100000000000,)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(R"("date":100000000000})"), std::string::npos) << r.out;
}

TEST_F(ReportTest, FailedWriteIsAnError) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const std::string file = writeFile("stats.jsonl", record(1700000000, 1, kThree, "Persist"));
    const RunResult r = run({file}, "/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write the output"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace quill
