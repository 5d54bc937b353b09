// Follows a file with quillometer-report --follow while it grows in bursts for half a minute, is
// cut short and is replaced, and checks that the tool ends up holding what a load of the final
// file holds: no line lost, doubled or derived from the wrong previous line.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <simdjson.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/follow_writer.h"
#include "tests/support.h"

extern char** environ;

namespace quill {
namespace {

using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

/// The report tool run with `args`, its standard output read through a pipe.
class Report {
public:
    explicit Report(std::vector<std::string> args) {
        int ends[2];
        EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        args.insert(args.begin(), QUILL_REPORT_EXE);
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(ends[1]);
        fd_ = ends[0];
    }
    ~Report() {
        if (pid_ > 0 && ::kill(pid_, SIGKILL) == 0) ::waitpid(pid_, nullptr, 0);
        ::close(fd_);
    }
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    /// Takes in what the tool printed, waiting up to `ms` for it; false at the end.
    bool read(int ms) {
        pollfd ready{fd_, POLLIN, 0};
        if (::poll(&ready, 1, ms) <= 0) return true;
        char chunk[65536];
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n > 0) out.append(chunk, static_cast<std::size_t>(n));
        return n > 0;
    }
    /// Sends `signal` (0: none), reads the rest and gives the exit status.
    int finish(int signal) {
        if (signal != 0) ::kill(pid_, signal);
        while (read(10000)) {
        }
        int status = 0;
        ::waitpid(std::exchange(pid_, -1), &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    /// The line records printed after the last model line, and how many model lines there were.
    std::pair<Lines, int> lastLines() const {
        std::pair<Lines, int> last;
        std::istringstream text(out.substr(0, out.rfind('\n') + 1));
        for (std::string line; std::getline(text, line);) {
            if (line.starts_with(R"({"kind":"model")")) last = {{}, last.second + 1};
            if (line.starts_with(R"({"kind":"line")")) last.first.push_back(line);
        }
        return last;
    }

    std::string out;

private:
    pid_t pid_ = -1;
    int fd_ = -1;
};

Lines fullLoad(const std::string& path) {
    Report full({path});
    EXPECT_EQ(full.finish(0), 0);
    return full.lastLines().first;
}

TEST(FollowSoak, HoldsWhatALoadOfTheFinalFileHolds) {
    const test::TempDir dir;
    const std::string path = (dir.path() / "stats.jsonl").string();
    test::FollowWriter writer(path, 20240611);
    Report follow({"--follow", path});
    writer.run(25s, [&](std::chrono::milliseconds pause) {
        for (const Clock::time_point end = Clock::now() + pause; Clock::now() < end;)
            follow.read(static_cast<int>(pause.count()));
    });
    Lines expected = fullLoad(path);
    for (const Clock::time_point end = Clock::now() + 10s;
         follow.lastLines().first != expected && Clock::now() < end;)
        follow.read(100);
    ASSERT_EQ(follow.lastLines().first, expected);
    // A line added now shows within the tool's wait (200 ms), with room for a busy machine.
    const Clock::time_point appended = Clock::now();
    std::ofstream(path, std::ios::app) << test::statLine(1800000000, 1, "Persist.db") << '\n';
    while (follow.lastLines().first.size() == expected.size() && Clock::now() < appended + 2s)
        follow.read(10);
    EXPECT_LT(Clock::now() - appended, 500ms);
    expected = fullLoad(path);
    EXPECT_EQ(follow.finish(SIGTERM), 0);
    const auto [lines, models] = follow.lastLines();
    EXPECT_EQ(lines, expected);
    // The first load, the file cut short and the file replaced: a model line each at least.
    EXPECT_GE(models, 3);
    EXPECT_TRUE(follow.out.ends_with('\n'));
    simdjson::dom::parser parser;
    std::istringstream text(follow.out);
    for (std::string line; std::getline(text, line);)
        EXPECT_EQ(parser.parse(line).error(), simdjson::SUCCESS) << line;
}

}  // namespace
}  // namespace quill
