#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/byte_source.h"
#include "analysis/list_filter.h"
#include "analysis/quillstat.h"
#include "analysis/stat_follow.h"
#include "analysis/stat_table.h"

namespace quill::test {

/// Sets TZ for the life of the object, restoring the previous value afterwards.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> previous_;
};

/// A directory that is removed with everything in it when the object dies.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    /// Writes `bytes` to a file of that name in the directory and returns its path.
    std::string write(const std::string& name, const std::string& bytes) const;

private:
    std::filesystem::path path_;
};

/// Kills the test program with SIGALRM unless destroyed within `seconds`: for a test whose
/// fault would be to hang, so that it fails instead of stalling the suite.
class Watchdog {
public:
    explicit Watchdog(unsigned seconds = 20) { ::alarm(seconds); }
    ~Watchdog() { ::alarm(0); }
};

/// Makes a FIFO of that name in `dir`, with no writer, and returns its path.
std::string makeFifo(const TempDir& dir, const std::string& name);

struct Proc {
    std::string process;
    long long sizeBytes;
};

/// One statistics line with the given fields.
std::string statLine(long long unixTime, long long totalBytes, const std::string& file,
                     const std::vector<Proc>& processes = {});

/// The same record as a value, as a view charts it.
StatEntry entry(long long unixTime, long long totalBytes, const std::string& file,
                const std::vector<Proc>& processes = {});

/// Loads `bytes` as a file named `name` into `model`.
inline LoadOutcome loadBytes(Quillstat& model, const std::string& bytes,
                             const std::string& name = "stats.jsonl") {
    return model.loadStatBytes(name, bytes);
}

/// A file that `model` loads and then follows: `append` adds `bytes` to it and hands the model
/// what a follower reads of them, returning whether the model took them in as growth.
class FollowedFile {
public:
    FollowedFile(Quillstat& model, const std::string& bytes);
    bool append(const std::string& bytes);

private:
    TempDir dir_;
    Quillstat& model_;
    std::string path_;
    std::shared_ptr<StatFollower> follower_;
};

/// Reads like memory, except that every read that covers byte `at` first runs `reach`, which
/// returns 0 to let the read go on or an errno to fail it: a disk going bad part-way, or a
/// user cancelling while the load runs. Runs on whichever thread reads.
class HookedSource final : public ByteSource {
public:
    HookedSource(std::string bytes, std::uint64_t at, std::function<int()> reach)
        : bytes_(std::move(bytes)), memory_(bytes_), at_(at), reach_(std::move(reach)) {}
    HookedSource(const HookedSource&) = delete;
    HookedSource& operator=(const HookedSource&) = delete;

    std::ptrdiff_t readAt(std::uint64_t offset, char* into, std::size_t size) const override {
        if (offset <= at_ && at_ - offset < size)
            if (const int error = reach_()) return -error;
        return memory_.readAt(offset, into, size);
    }
    std::uint64_t sizeHint() const override { return bytes_.size(); }
    const std::string& error() const override { return memory_.error(); }

private:
    std::string bytes_;
    MemorySource memory_;  ///< views bytes_
    std::uint64_t at_;
    std::function<int()> reach_;
};

/// Each line of `table` as its display texts and numbers joined by '|', record and
/// processes included, to compare whole loads.
std::vector<std::string> texts(const StatTable& table);

/// The filter as a person would do it by hand, one line at a time over its shown texts: the
/// oracle for the list's search index.
RowIndices plainFilter(const StatTable& table, std::string_view needle);

}  // namespace quill::test
