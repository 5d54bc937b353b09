// quillometer-bench: what loading a statistics file costs in memory, how the whole report
// tool compares with the floor a bare decode sets, and how long the program takes from its
// launch to showing the file. Prints each figure and whether it meets its target; exits with
// status 3 when one does not.

#include <simdjson.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "bench/measurements.h"
#include "bench/processes.h"
#include "bench/stat_generator.h"

namespace quill::bench {
namespace {

#ifdef QUILL_LAUNCH_PROGRAM
constexpr std::string_view kLaunchProgram = QUILL_LAUNCH_PROGRAM;
#else
constexpr std::string_view kLaunchProgram;  // built without the user interface
#endif

/// Whole processes on a shared machine vary more than their length suggests: five runs of each
/// program, after one that brings it and the file into the page cache and checks its output.
constexpr int kRuns = 5;
constexpr std::size_t kLarge = 1'000'000;

struct Options {
    std::vector<std::size_t> sizes{100'000, kLarge};
    std::filesystem::path dir = QUILL_BENCH_DATA_DIR;
};

struct Figures {
    StatFile file;
    LoadMemory memory;
    BaselineRun baseline;  ///< in-process, one thread, the floor's work without its process
    double loadMs = 0;     ///< in-process full load, median
    double reportMs = 0;   ///< `quillometer-report --summary FILE`, spawn to exit, median
    double floorMs = 0;    ///< `quillometer-parse-floor FILE`, spawn to exit, median
    double launchMs = std::nan("");  ///< spawn to the list painted with the file's rows, median

    double perFileByte(std::int64_t bytes) const {
        return static_cast<double>(bytes) / static_cast<double>(file.bytes);
    }
    double peakRssX() const { return perFileByte(memory.peakRss - memory.rssBefore); }
    double modelX() const { return perFileByte(memory.rssAfter - memory.rssBefore); }
    double tableX() const { return perFileByte(memory.tableBytes); }
    double processRatio() const { return reportMs / floorMs; }
    double launch() const { return launchMs; }
};

void printUsage() {
    std::printf(
        "usage: quillometer-bench [--lines N] [--dir DIR]\n"
        "  --lines N  measure only the file of N lines (default: 100000 and 1000000)\n"
        "  --dir DIR  where the generated files live (default: %s)\n"
        "Exits with status 3 when a figure misses its target.\n",
        QUILL_BENCH_DATA_DIR);
}

std::optional<std::size_t> parseCount(std::string_view text) {
    std::size_t value = 0;
    if (text.empty() || text.size() > 12) return std::nullopt;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    if (value == 0) return std::nullopt;
    return value;
}

std::optional<Options> parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--lines" && hasValue) {
            const auto count = parseCount(argv[++i]);
            if (!count) return std::nullopt;
            options.sizes = {*count};
        } else if (arg == "--dir" && hasValue) {
            options.dir = argv[++i];
        } else {
            return std::nullopt;
        }
    }
    return options;
}

double median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    return n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
}

void printTimes(const char* what, const std::vector<double>& times) {
    std::printf("  %-8s", what);
    for (double ms : times) std::printf(" %9.1f", ms);
    std::printf(" ms, median %.1f\n", median(times));
    std::fflush(stdout);
}

/// A measurement that did not see every line would look better than the truth.
void requireLines(const char* what, std::size_t seen, const Figures& f,
                  const std::string& error = {}) {
    if (seen == f.file.lines) return;
    throw std::runtime_error(f.file.path.string() + ": " + what + " saw " + std::to_string(seen) +
                             " of " + std::to_string(f.file.lines) + " lines" +
                             (error.empty() ? "" : ": " + error));
}

/// A child that did less than all the work would time as a fast one: its output must show it
/// did everything.
void requireOutput(bool complete, const Command& command, const std::string& line,
                   const std::string& expected) {
    if (!complete)
        throw std::runtime_error(describe(command) + ": printed \"" + line + "\", expected " +
                                 expected);
}

void measureInProcess(Figures& f) {
    {
        simdjson::padded_string bytes;
        if (simdjson::padded_string::load(f.file.path.string()).get(bytes) != simdjson::SUCCESS)
            throw std::runtime_error(f.file.path.string() + ": cannot be read");
        f.baseline = timeBaseline(bytes);
    }
    requireLines("the baseline", f.baseline.lines, f);
    std::vector<double> times;
    for (int i = 0; i < 3; ++i) {
        const LoadRun run = timeLoad(f.file.path.string());
        requireLines("the load", run.loaded ? run.lines : 0, f, run.error);
        times.push_back(run.ms);
    }
    f.loadMs = median(times);
    std::printf("  baseline %9.1f ms\n", f.baseline.ms);
    printTimes("load", times);
}

/// The median of kRuns launches after a warm-up one, each checked for every row.
double launchMedian(const Command& command, std::size_t rows) {
    const std::string expected = "launch: rows=" + std::to_string(rows);
    std::vector<double> times;
    for (int i = 0; i <= kRuns; ++i) {
        const ProcessRun run = timeFirstLine(command);
        requireOutput(run.firstLine == expected, command, run.firstLine, expected);
        if (i > 0) times.push_back(run.ms);
    }
    printTimes("launch", times);
    return median(times);
}

void measureProcesses(Figures& f) {
    const std::string path = f.file.path.string();
    const Command report{QUILL_REPORT_PROGRAM, "--summary", path};
    const Command floor{QUILL_PARSE_FLOOR_PROGRAM, path};
    const std::string reportLines = "\"lines\":" + std::to_string(f.file.lines) + "}";
    const std::string reportLine = timeFirstLine(report).firstLine;
    requireOutput(reportLine.find(reportLines) != std::string::npos, report, reportLine,
                  reportLines);
    // The floor must read what the baseline read, to the checksum, or it cut the lines wrongly.
    const std::string floorLine = timeFirstLine(floor).firstLine;
    requireOutput(floorLine == f.baseline.floorOutput(), floor, floorLine,
                  f.baseline.floorOutput());
    std::vector<double> reportTimes;
    std::vector<double> floorTimes;
    // Taken in turn, so that a burst of work elsewhere on the machine falls on both alike.
    for (int i = 0; i < kRuns; ++i) {
        reportTimes.push_back(timeProcess(report).ms);
        floorTimes.push_back(timeProcess(floor).ms);
    }
    f.reportMs = median(reportTimes);
    f.floorMs = median(floorTimes);
    printTimes("report", reportTimes);
    printTimes("floor", floorTimes);
    if (!kLaunchProgram.empty())
        f.launchMs = launchMedian({std::string(kLaunchProgram), "--launch", path}, f.file.lines);
}

void printFigures(const std::vector<Figures>& all) {
    std::printf("\n%-20s %9s %8s %8s %8s %7s %7s %7s %9s %9s %6s %9s\n", "file", "lines", "MB",
                "base ms", "load ms", "peak", "model", "table", "report ms", "floor ms", "A/B",
                "launch ms");
    for (const Figures& f : all) {
        std::printf("%-20s %9zu %8.1f %8.1f %8.1f %6.3fx %6.3fx %6.3fx %9.1f %9.1f %5.2fx %9.1f\n",
                    f.file.path.filename().c_str(), f.file.lines,
                    static_cast<double>(f.file.bytes) / 1e6, f.baseline.ms, f.loadMs, f.peakRssX(),
                    f.modelX(), f.tableX(), f.reportMs, f.floorMs, f.processRatio(), f.launchMs);
    }
    std::printf(
        "(in-process: base, one thread validating and parsing every line, and load, the whole "
        "load, median of 3. Per byte of file: peak, the load's growth of the resident set at its "
        "highest; model, its growth once the load has returned; table, StatTable::bytes(). "
        "Whole processes, medians of %d after a warm-up: A, quillometer-report --summary FILE; "
        "B, quillometer-parse-floor FILE; launch, the program's start-up with FILE, offscreen, "
        "from spawn to the first paint of the list with its rows)\n\n",
        kRuns);
    for (const Figures& f : all) {
        std::printf(
            "bench: lines=%zu bytes=%llu baseline_ms=%.1f load_ms=%.1f peak_rss_x=%.3f "
            "model_x=%.3f table_x=%.3f heap_x=%.3f report_ms=%.1f floor_ms=%.1f ratio=%.3f "
            "launch_ms=%.1f\n",
            f.file.lines, static_cast<unsigned long long>(f.file.bytes), f.baseline.ms, f.loadMs,
            f.peakRssX(), f.modelX(), f.tableX(), f.perFileByte(f.memory.heapGrowth), f.reportMs,
            f.floorMs, f.processRatio(), f.launchMs);
    }
}

/// Each target concerns files of one size (0: every file); files of other sizes skip it.
/// Returns whether every target measured was met.
bool printTargets(const std::vector<Figures>& all) {
    struct Target {
        const char* name;
        std::size_t lines;
        double limit;
        double (Figures::*figure)() const;
    };
    const Target targets[] = {{"peak RSS / file size", kLarge, 0.35, &Figures::peakRssX},
                              {"model / file size", kLarge, 0.30, &Figures::modelX},
                              {"report / parse floor", 0, 1.0, &Figures::processRatio},
                              {"launch to list, ms", kLarge, 1000, &Figures::launch}};
    bool met = true;
    std::printf("\ntargets:\n");
    for (const Target& t : targets) {
        for (const Figures& f : all) {
            if (t.lines != 0 && t.lines != f.file.lines) continue;
            const double value = (f.*t.figure)();
            if (std::isnan(value)) continue;  // not measured in this build
            std::printf("  %-22s %9zu lines: %7.3f <= %.2f  %s\n", t.name, f.file.lines, value,
                        t.limit, value <= t.limit ? "met" : "MISSED");
            met = met && value <= t.limit;
        }
    }
    return met;
}

int run(const Options& options) {
#ifndef NDEBUG
    std::printf("warning: assertions are on; build with CMAKE_BUILD_TYPE=Release for figures\n");
#endif
    std::vector<Figures> all;
    for (std::size_t lines : options.sizes) {
        Figures f;
        f.file = ensureStatFile(options.dir, lines);
        std::printf("%s %s (%.1f MB)\n", f.file.reused ? "reusing" : "wrote", f.file.path.c_str(),
                    static_cast<double>(f.file.bytes) / 1e6);
        all.push_back(std::move(f));
    }
    // Memory first, while this process is still small: each child starts as a copy of it.
    for (Figures& f : all) {
        f.memory = measureLoadMemory(f.file.path.string());
        requireLines("the memory child", f.memory.ok ? f.memory.lines : 0, f, f.memory.error);
    }
    for (Figures& f : all) {
        std::printf("timing %s, each run:\n", f.file.path.filename().c_str());
        measureInProcess(f);
        measureProcesses(f);
    }
    if (!kLaunchProgram.empty()) {
        std::printf("launch without a file, to the empty list painted:\n");
        launchMedian({std::string(kLaunchProgram), "--launch"}, 0);
    }
    printFigures(all);
    return printTargets(all) ? 0 : 3;
}

}  // namespace
}  // namespace quill::bench

int main(int argc, char** argv) {
    const auto options = quill::bench::parseOptions(argc, argv);
    if (!options) {
        quill::bench::printUsage();
        return 2;
    }
    try {
        return quill::bench::run(*options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillometer-bench: %s\n", e.what());
        return 1;
    }
}
