#include "bench/processes.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace quill::bench {

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

[[noreturn]] void fail(const Command& command, const std::string& why) {
    throw std::runtime_error(describe(command) + ": " + why);
}

/// Starts `command` with standard input and error on /dev/null, and standard output on
/// `output`, or on /dev/null when that is -1.
pid_t spawn(const Command& command, int output) {
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (output >= 0)
        ::posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    else
        ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int error = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), ::environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (error != 0) fail(command, std::strerror(error));
    return child;
}

void awaitSuccess(pid_t child, const Command& command) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) fail(command, std::strerror(errno));
    }
    if (WIFSIGNALED(status)) fail(command, "killed by signal " + std::to_string(WTERMSIG(status)));
    if (WEXITSTATUS(status) != 0)
        fail(command, "exited with status " + std::to_string(WEXITSTATUS(status)) +
                          " (its messages went to /dev/null: run it by hand to see them)");
}

/// Reads `in` up to the first line feed, then drains the rest so that the child never blocks
/// on a full pipe. Returns the time the line feed arrived.
Clock::time_point readFirstLine(int in, std::string& line) {
    Clock::time_point arrived{};
    bool complete = false;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(in, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (complete) continue;
        const auto size = static_cast<std::size_t>(n);
        const void* feed = std::memchr(chunk, '\n', size);
        if (feed == nullptr) {
            line.append(chunk, size);
            continue;
        }
        arrived = Clock::now();
        complete = true;
        line.append(chunk, static_cast<std::size_t>(static_cast<const char*>(feed) - chunk));
    }
    return arrived;
}

}  // namespace

std::string describe(const Command& command) {
    std::string text;
    for (const std::string& word : command) text += (text.empty() ? "" : " ") + word;
    return text;
}

ProcessRun timeProcess(const Command& command) {
    const auto start = Clock::now();
    const pid_t child = spawn(command, -1);
    awaitSuccess(child, command);
    return {.ms = millisecondsSince(start), .firstLine = {}};
}

ProcessRun timeFirstLine(const Command& command) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) fail(command, std::strerror(errno));
    const auto start = Clock::now();
    pid_t child = 0;
    try {
        child = spawn(command, fds[1]);
    } catch (...) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw;
    }
    // Only the child may hold the writing end: the read below ends when the child has gone.
    ::close(fds[1]);
    ProcessRun run;
    const Clock::time_point arrived = readFirstLine(fds[0], run.firstLine);
    ::close(fds[0]);
    awaitSuccess(child, command);
    if (arrived == Clock::time_point{}) fail(command, "ended without writing a line");
    run.ms = std::chrono::duration<double, std::milli>(arrived - start).count();
    return run;
}

}  // namespace quill::bench
