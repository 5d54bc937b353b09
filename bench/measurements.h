#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quill::bench {

/// The floor any loader pays, as the parse floor program pays it: validating the UTF-8,
/// cutting the text into lines, parsing each into a DOM and reading its members, keeping
/// nothing.
struct BaselineRun {
    double ms = 0;
    std::size_t lines = 0;
    std::uint64_t checksum = 0;  ///< makes every value read observable
    bool validUtf8 = false;

    /// What the parse floor program prints for the same text.
    std::string floorOutput() const;
};

/// Times the baseline over `text`, which must be followed by simdjson's padding.
BaselineRun timeBaseline(std::string_view text);

/// One full load through the model, read of the file included.
struct LoadRun {
    double ms = 0;
    std::size_t lines = 0;  ///< lines in the model's list afterwards
    bool loaded = false;
    std::string error;
};

LoadRun timeLoad(const std::string& path);

/// What a load costs in memory, measured in a child process so that nothing earlier in this
/// one (freed but retained heap, a larger earlier peak) skews it.
struct LoadMemory {
    std::int64_t rssBefore = 0;   ///< bytes resident before the load
    std::int64_t peakRss = 0;     ///< the child's peak resident bytes, from wait4
    std::int64_t rssAfter = 0;    ///< bytes resident once the load has returned
    std::int64_t heapGrowth = 0;  ///< heap in use after the load, minus before
    std::int64_t tableBytes = 0;  ///< what the loaded table says its columns hold
    std::size_t lines = 0;
    bool ok = false;
    std::string error;
};

LoadMemory measureLoadMemory(const std::string& path);

/// Bytes this process holds resident now, from /proc/self/statm: whole pages.
std::int64_t residentBytes();

}  // namespace quill::bench
