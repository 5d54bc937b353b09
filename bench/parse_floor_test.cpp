// Runs the built quillometer-parse-floor on files cut where reading in chunks goes wrong, and
// holds it to the in-process baseline, which parses the whole file from one buffer: a floor that
// split or dropped lines would make every comparison against it meaningless.

#include <gtest/gtest.h>
#include <simdjson.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "bench/measurements.h"
#include "tests/support.h"

namespace quill::bench {
namespace {

struct RunResult {
    int status = -1;
    std::string output;  ///< standard output and error together
};

RunResult runFloor(const std::string& path) {
    const std::string command = std::string(QUILL_PARSE_FLOOR_EXE) + " '" + path + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return {};
    RunResult result;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, pipe) != nullptr) result.output += chunk;
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

TEST(ParseFloor, ReadsEveryLineWhereverItsChunksEnd) {
    std::string bytes;
    std::size_t valid = 0;
    // Lines of every length, so that chunk ends fall at every offset within a line, with empty
    // and broken lines among them.
    for (int i = 0; bytes.size() < 2'500'000; ++i) {
        bytes += test::statLine(1'700'000'000 + i, i,
                                std::string(static_cast<std::size_t>(i % 97), 'f'));
        bytes += '\n';
        ++valid;
        // Ill-formed UTF-8 too, which the floor must find as the loader does.
        if (i % 1000 == 0) bytes += "\n{\"broken\xff\":\n";
    }
    // A line longer than any chunk, then a last line without its line feed.
    bytes += "{\"long\":\"" + std::string(1'500'000, 'x') + "\"}\n";
    bytes += test::statLine(1'800'000'000, 1, "last");
    valid += 2;

    const test::TempDir dir;
    const RunResult run = runFloor(dir.write("stats.jsonl", bytes));
    const simdjson::padded_string padded(bytes);
    const BaselineRun baseline = timeBaseline(padded);

    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(baseline.lines, valid);
    EXPECT_FALSE(baseline.validUtf8);
    EXPECT_EQ(run.output, baseline.floorOutput() + "\n");
}

TEST(ParseFloor, FailsOnAFileItCannotRead) {
    // Ending with success here would let the floor time nothing and pass for a fast parse.
    const test::TempDir dir;
    const std::string missing = (dir.path() / "missing.jsonl").string();

    const RunResult run = runFloor(missing);

    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find(missing), std::string::npos) << run.output;
}

}  // namespace
}  // namespace quill::bench
