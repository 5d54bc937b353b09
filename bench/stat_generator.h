#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace quill::bench {

/// The seed of every benchmark file, so that each run measures the same bytes.
inline constexpr std::uint64_t kDefaultSeed = 0x5175696c6c53ull;

/// Makes synthetic statistics lines shaped like a real log store's: 0 to 30 processes per
/// line, a few process names far more frequent than the rest, times mostly increasing, and
/// files mostly Persist, then Special, then others. Lines average about 1 KB.
///
/// The output depends only on the seed: draws use mt19937_64's words directly, never a
/// standard distribution, whose results differ between standard libraries.
class StatLineGenerator {
public:
    explicit StatLineGenerator(std::uint64_t seed);

    /// Appends the next line, line feed included.
    void appendLine(std::string& out);

private:
    std::uint64_t below(std::uint64_t bound) { return rng_() % bound; }
    std::size_t drawName();
    void appendProcessList(std::string& out, std::int64_t& totalBytes);
    void appendFile(std::string& out);
    void advanceTime();

    std::mt19937_64 rng_;
    std::vector<std::string> names_;
    std::vector<std::uint64_t> cumulativeWeights_;
    std::vector<bool> picked_;
    std::array<std::uint64_t, 4> fileIds_{0x1a2b, 0x0c41, 0x0317, 0x0052};
    std::int64_t time_ = 1'700'000'000;
};

/// A benchmark file on disk.
struct StatFile {
    std::filesystem::path path;
    std::uint64_t bytes = 0;
    std::size_t lines = 0;
    bool reused = false;
};

/// Returns the file of `lines` generated lines in `dir`, writing it unless the copy there
/// matches its stamp (seed, line count, generator revision and size). Throws
/// std::runtime_error when the file cannot be written.
StatFile ensureStatFile(const std::filesystem::path& dir, std::size_t lines,
                        std::uint64_t seed = kDefaultSeed);

}  // namespace quill::bench
