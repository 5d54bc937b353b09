#pragma once

#include <string>
#include <vector>

namespace quill::bench {

/// A program to run: its path first, then its arguments.
using Command = std::vector<std::string>;

/// The command as a shell would show it, for messages.
std::string describe(const Command& command);

/// One run of a child process, timed on the wall clock from just before its spawn.
struct ProcessRun {
    double ms = 0;
    std::string firstLine;  ///< without its line feed; empty when output went to /dev/null
};

/// Runs `command` to its end with its input and output on /dev/null; `ms` is spawn to exit.
/// Throws std::runtime_error when it cannot start or ends other than with status 0: a run that
/// failed early would otherwise pass for a fast one.
ProcessRun timeProcess(const Command& command);

/// Runs `command` with its standard output on a pipe; `ms` is spawn to the arrival of the
/// child's first complete line, which is returned. Waits for the child to end, and throws as
/// timeProcess does.
ProcessRun timeFirstLine(const Command& command);

}  // namespace quill::bench
