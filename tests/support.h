#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

/// Loads `bytes` as a file named `name` into `model`.
LoadOutcome loadBytes(Quillstat& model, const std::string& bytes,
                      const std::string& name = "stats.jsonl");

}  // namespace quill::test
