// quillometer-bench: how fast a statistics file loads, against the floor set by parsing it,
// and how much memory the load and the loaded model take; then the same comparison between whole
// processes, and how long the program takes from its launch to showing the file.

#include <simdjson.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/loader.h"
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
constexpr int kProcessRuns = 5;

/// Whole programs, started as a user or a script starts them; wall times, best of the runs.
struct ProcessFigures {
    double reportMs = 0;                 ///< `quillometer-report --summary FILE`, spawn to exit
    double floorMs = 0;                  ///< `quillometer-parse-floor FILE`, spawn to exit
    std::optional<double> launchToList;  ///< spawn to the list painted with the file's rows
};

struct Options {
    std::vector<std::size_t> sizes{100'000, 1'000'000};
    std::filesystem::path dir = QUILL_BENCH_DATA_DIR;
};

struct Figures {
    StatFile file;
    LoadMemory memory;
    BaselineRun baseline;
    LoadRun load;
    int runs = 0;
    ProcessFigures process;

    double mb() const { return static_cast<double>(file.bytes) / 1e6; }
    double ratio() const { return load.ms / baseline.ms; }
    double linesPerSecond() const { return static_cast<double>(file.lines) / load.ms * 1e3; }
    double mbPerSecond() const { return mb() / load.ms * 1e3; }
    double peakRssX() const {
        return static_cast<double>(memory.peakRss - memory.rssBefore) /
               static_cast<double>(file.bytes);
    }
    double modelX() const {
        return static_cast<double>(memory.modelBytes) / static_cast<double>(file.bytes);
    }
    double processRatio() const { return process.reportMs / process.floorMs; }
    double launchMs() const { return process.launchToList.value_or(std::nan("")); }
};

void printUsage() {
    std::printf(
        "usage: quillometer-bench [--lines N] [--dir DIR]\n"
        "  --lines N  measure only the file of N lines (default: 100000 and 1000000)\n"
        "  --dir DIR  where the generated files live (default: %s)\n",
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

/// A large file takes seconds per run on a small machine: two runs are enough there.
int runsFor(std::size_t lines) {
    return lines <= 200'000 ? 3 : 2;
}

/// The fastest of `runs` measurements; every time goes to `times`, to show the spread.
template <typename Run>
Run bestOf(int runs, std::vector<double>& times, const std::function<Run()>& measure) {
    Run best = measure();
    times.push_back(best.ms);
    for (int i = 1; i < runs; ++i) {
        Run next = measure();
        times.push_back(next.ms);
        if (next.ms < best.ms) best = std::move(next);
    }
    return best;
}

void printTimes(const char* what, const std::vector<double>& times) {
    std::printf("  %-8s", what);
    for (double ms : times) std::printf(" %9.1f", ms);
    std::printf(" ms\n");
}

/// Fails loudly when a measurement did not see every line: figures over a partial load would
/// look better than the truth.
bool checkComplete(const Figures& f) {
    const auto complain = [&](const char* what, std::size_t seen, const std::string& error) {
        std::fprintf(stderr, "quillometer-bench: %s: %s saw %zu of %zu lines%s%s\n",
                     f.file.path.c_str(), what, seen, f.file.lines, error.empty() ? "" : ": ",
                     error.c_str());
        return false;
    };
    if (!f.memory.ok || f.memory.lines != f.file.lines)
        return complain("memory child", f.memory.lines, f.memory.error);
    if (f.baseline.lines != f.file.lines) return complain("baseline", f.baseline.lines, {});
    if (!f.load.loaded || f.load.lines != f.file.lines)
        return complain("load", f.load.lines, f.load.error);
    return true;
}

void measureTimes(Figures& f) {
    f.runs = runsFor(f.file.lines);
    std::vector<double> baselineTimes;
    {
        simdjson::padded_string bytes;
        if (simdjson::padded_string::load(f.file.path.string()).get(bytes) != simdjson::SUCCESS)
            throw std::runtime_error(f.file.path.string() + ": cannot be read");
        const std::string_view text = bytes;
        f.baseline = bestOf<BaselineRun>(f.runs, baselineTimes, [&] { return timeBaseline(text); });
    }
    const std::string path = f.file.path.string();
    std::vector<double> loadTimes;
    f.load = bestOf<LoadRun>(f.runs, loadTimes, [&] { return timeLoad(path); });
    printTimes("baseline", baselineTimes);
    printTimes("load", loadTimes);
}

/// A child that did less than all the work would time as a fast one: its output must show it
/// did everything.
void requireOutput(bool complete, const Command& command, const std::string& line,
                   const std::string& expected) {
    if (!complete)
        throw std::runtime_error(describe(command) + ": printed \"" + line + "\", expected " +
                                 expected);
}

/// The fastest of kProcessRuns launches after a warm-up one, each checked for every row.
double bestLaunch(const Command& command, std::size_t rows, std::vector<double>& times) {
    const std::string expected = "launch: rows=" + std::to_string(rows);
    for (int i = 0; i <= kProcessRuns; ++i) {
        const ProcessRun run = timeFirstLine(command);
        requireOutput(run.firstLine == expected, command, run.firstLine, expected);
        if (i > 0) times.push_back(run.ms);
    }
    return *std::min_element(times.begin(), times.end());
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
    const std::string floorLines = "lines=" + std::to_string(f.baseline.lines) +
                                   " checksum=" + std::to_string(f.baseline.checksum);
    const std::string floorLine = timeFirstLine(floor).firstLine;
    requireOutput(floorLine == floorLines, floor, floorLine, floorLines);
    std::vector<double> reportTimes;
    std::vector<double> floorTimes;
    // Taken in turn, so that a burst of work elsewhere on the machine falls on both alike.
    for (int i = 0; i < kProcessRuns; ++i) {
        reportTimes.push_back(timeProcess(report).ms);
        floorTimes.push_back(timeProcess(floor).ms);
    }
    f.process.reportMs = *std::min_element(reportTimes.begin(), reportTimes.end());
    f.process.floorMs = *std::min_element(floorTimes.begin(), floorTimes.end());
    printTimes("report", reportTimes);
    printTimes("floor", floorTimes);
    if (kLaunchProgram.empty()) return;
    std::vector<double> launchTimes;
    f.process.launchToList =
        bestLaunch({std::string(kLaunchProgram), "--launch", path}, f.file.lines, launchTimes);
    printTimes("launch", launchTimes);
}

void printTable(const std::vector<Figures>& all) {
    std::printf("\n%-22s %9s %8s %5s %11s %9s %9s %10s %7s %9s %9s\n", "file", "lines", "MB",
                "runs", "baseline ms", "load ms", "load/base", "lines/s", "MB/s", "peak RSS",
                "model");
    for (const Figures& f : all) {
        std::printf("%-22s %9zu %8.1f %5d %11.1f %9.1f %8.2fx %10.0f %7.1f %8.2fx %8.2fx\n",
                    f.file.path.filename().c_str(), f.file.lines, f.mb(), f.runs, f.baseline.ms,
                    f.load.ms, f.ratio(), f.linesPerSecond(), f.mbPerSecond(), f.peakRssX(),
                    f.modelX());
    }
    std::printf(
        "(times: best of the runs; MB = 10^6 bytes; peak RSS: the load's growth of the resident "
        "set, and model: heap held after the load, both per byte of file)\n\n");
    for (const Figures& f : all) {
        std::printf(
            "bench: lines=%zu bytes=%llu baseline_ms=%.1f load_ms=%.1f ratio=%.3f "
            "lines_per_s=%.0f mb_per_s=%.1f peak_rss_x=%.3f model_x=%.3f\n",
            f.file.lines, static_cast<unsigned long long>(f.file.bytes), f.baseline.ms, f.load.ms,
            f.ratio(), f.linesPerSecond(), f.mbPerSecond(), f.peakRssX(), f.modelX());
    }
}

void printProcessTable(const std::vector<Figures>& all, std::optional<double> emptyLaunchMs) {
    std::printf("\n%-22s %9s %5s %14s %13s %7s %13s\n", "whole process", "lines", "runs",
                "report ms (A)", "floor ms (B)", "A/B", "launch ms");
    for (const Figures& f : all) {
        std::printf("%-22s %9zu %5d %14.1f %13.1f %6.2fx %13.1f\n", f.file.path.filename().c_str(),
                    f.file.lines, kProcessRuns, f.process.reportMs, f.process.floorMs,
                    f.processRatio(), f.launchMs());
    }
    std::printf(
        "(wall times, best of the runs after a warm-up one. A: quillometer-report --summary FILE, "
        "spawn to exit. B: quillometer-parse-floor FILE, spawn to exit. launch: the program's "
        "start-up with FILE, offscreen, from spawn to the first paint of the list with its "
        "rows)\n");
    if (emptyLaunchMs)
        std::printf("launch without a file, spawn to the empty list painted: %.1f ms\n",
                    *emptyLaunchMs);
    std::printf("\n");
    for (const Figures& f : all) {
        std::printf(
            "process: lines=%zu report_ms=%.1f floor_ms=%.1f ratio=%.3f launch_ms=%.1f "
            "launch_empty_ms=%.1f\n",
            f.file.lines, f.process.reportMs, f.process.floorMs, f.processRatio(), f.launchMs(),
            emptyLaunchMs.value_or(std::nan("")));
    }
}

/// Each target concerns files of one size (0: every file); files of other sizes skip it.
void printTargets(const std::vector<Figures>& all) {
    struct Target {
        const char* name;
        std::size_t lines;
        double limit;
        double (Figures::*figure)() const;
    };
    const Target targets[] = {{"load / baseline", 100'000, 1.5, &Figures::ratio},
                              {"peak RSS / file size", 0, 1.0, &Figures::peakRssX},
                              {"model / file size", 0, 1.0, &Figures::modelX},
                              {"report / parse floor", 0, 1.0, &Figures::processRatio},
                              {"launch to list, ms", 1'000'000, 1500, &Figures::launchMs}};
    std::printf("\ntargets:\n");
    for (const Target& t : targets) {
        for (const Figures& f : all) {
            if (t.lines != 0 && t.lines != f.file.lines) continue;
            const double value = (f.*t.figure)();
            if (std::isnan(value)) continue;  // not measured in this build
            std::printf("  %-22s %9zu lines: %6.2f <= %.2f  %s\n", t.name, f.file.lines, value,
                        t.limit, value <= t.limit ? "met" : "MISSED");
        }
    }
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
                    f.mb());
        all.push_back(std::move(f));
    }
    // Memory first, while this process is still small: each child starts as a copy of it.
    for (Figures& f : all) f.memory = measureLoadMemory(f.file.path.string());
    for (Figures& f : all) {
        std::printf("timing %s, each run:\n", f.file.path.filename().c_str());
        std::fflush(stdout);
        measureTimes(f);
        if (!checkComplete(f)) return 1;
        measureProcesses(f);
    }
    std::optional<double> emptyLaunchMs;
    if (!kLaunchProgram.empty()) {
        std::printf("timing the launch without a file:\n");
        std::vector<double> times;
        emptyLaunchMs = bestLaunch({std::string(kLaunchProgram), "--launch"}, 0, times);
        printTimes("launch", times);
    }
    printTable(all);
    printProcessTable(all, emptyLaunchMs);
    printTargets(all);
    return 0;
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
