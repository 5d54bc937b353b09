#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/byte_source.h"
#include "analysis/observation.h"
#include "analysis/quillstat.h"
#include "records/records.h"

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

StatEntry entry(long long unixTime, long long totalBytes, const std::string& file,
                const std::vector<Proc>& processes = {});

/// Reads like memory up to byte `failAt`, then fails with EIO: a disk going bad part-way.
class FailingSource final : public ByteSource {
public:
    FailingSource(std::string bytes, std::uint64_t failAt)
        : bytes_(std::move(bytes)), memory_(bytes_), failAt_(failAt) {}
    FailingSource(const FailingSource&) = delete;
    FailingSource& operator=(const FailingSource&) = delete;

    std::ptrdiff_t readAt(std::uint64_t offset, char* into, std::size_t size) const override {
        if (offset + size > failAt_) return -EIO;
        return memory_.readAt(offset, into, size);
    }
    std::uint64_t sizeHint() const override { return bytes_.size(); }
    const std::string& error() const override { return memory_.error(); }

private:
    std::string bytes_;
    MemorySource memory_;  ///< views bytes_
    std::uint64_t failAt_;
};

/// Loads `bytes` as a file named `name` into `model`.
LoadOutcome loadBytes(Quillstat& model, const std::string& bytes,
                      const std::string& name = "stats.jsonl");

}  // namespace quill::test
