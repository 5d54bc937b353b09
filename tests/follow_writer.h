#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

namespace quill::test {

/// Writes a statistics file the way a logger being followed does, for the soak tests of
/// whatever follows it: bursts of a random number of lines, each burst ending at a random byte
/// (the rest of its line comes with the next one). Most lines are records of Persist, Special
/// and other files, so that each category's previous line lies in an earlier burst; some are
/// not records or are blank, and one record is earlier than every other. A third of the way
/// through the file is cut to nothing and written anew; two thirds of the way it is replaced
/// by a file written beside it and renamed over it.
class FollowWriter {
public:
    /// Makes the file at `path` with a first burst.
    FollowWriter(std::filesystem::path path, unsigned seed);

    /// Writes bursts for about `budget`, calling `pause` with a random time after each: sleep
    /// it, or run an event loop for it. The file ends with a whole line.
    void run(std::chrono::milliseconds budget,
             const std::function<void(std::chrono::milliseconds)>& pause);

private:
    std::string line();
    /// Makes a few more lines and writes what is waiting to `to`, up to a random byte.
    void burst(const std::filesystem::path& to);

    std::filesystem::path path_;
    std::mt19937 random_;
    std::string waiting_;  ///< made but not yet written
    long long time_ = 1700000000;
    int records_ = 0;  ///< records made since the file was begun anew
};

}  // namespace quill::test
