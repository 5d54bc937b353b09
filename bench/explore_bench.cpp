// quillometer-explore-bench: what exploring a large list costs, headless. Prints one line,
// each figure the worst of several tries:
//   explore: rows=… filter_ms=… zoom_ms=… csv_ms=… top_ms=… span_ms=…
// filter_ms is one keystroke in the list's filter, zoom_ms one zoom or pan step of the plot,
// csv_ms the export of every row to a file, top_ms the Processes window's table for the whole
// file, span_ms its table and chart over time after one zoom step of the plot.

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "analysis/process_index.h"
#include "analysis/quillstat.h"
#include "bench/explore_list.h"
#include "bench/stat_generator.h"
#ifdef QUILL_EXPLORE_ZOOM
#include "bench/explore_zoom.h"
#endif

namespace {

struct Options {
    std::size_t lines = 1'000'000;
    std::filesystem::path dir = QUILL_BENCH_DATA_DIR;
    int tries = 5;
};

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--lines") == 0 && hasValue) {
            options.lines = std::stoul(argv[++i]);
        } else if (std::strcmp(argv[i], "--dir") == 0 && hasValue) {
            options.dir = argv[++i];
        } else if (std::strcmp(argv[i], "--tries") == 0 && hasValue) {
            options.tries = std::max(1, std::stoi(argv[++i]));
        } else {
            throw std::invalid_argument(
                std::string("usage: quillometer-explore-bench [--lines N] [--dir DIR] [--tries N]"
                            " (at '") +
                argv[i] + "')");
        }
    }
    return options;
}

std::string zoomFigure([[maybe_unused]] quill::Quillstat& model, [[maybe_unused]] int tries) {
#ifdef QUILL_EXPLORE_ZOOM
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", quill::bench::worstZoomStepMs(model, tries));
    return text;
#else
    return "n/a";
#endif
}

template <typename Work>
double worstMs(int tries, Work work) {
    double worst = 0;
    for (int i = 0; i < tries; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> spent =
            std::chrono::steady_clock::now() - start;
        worst = std::max(worst, spent.count());
    }
    return worst;
}

/// The Processes window's figures: its table for the whole file, from the loaded list, and,
/// once its index over time is made in the background, its table and chart over time after one
/// zoom step of the plot.
std::pair<double, double> processFigures(const quill::Quillstat& model, int tries) {
    using namespace quill;
    const double topMs = worstMs(tries, [&] {
        std::vector<ProcessTotal> totals = processTotals(model.statList());
        rankByBytes(totals, model.statList());
    });
    std::unique_ptr<ProcessIndex> index;
    const double indexMs =
        worstMs(tries, [&] { index = std::make_unique<ProcessIndex>(model.statListTable()); });
    std::fprintf(stderr, "  processes: the index over time made in %.1f ms\n", indexMs);
    // One wheel step zooms in by a fifth about the pointer, here the middle.
    const std::int64_t span = index->lastTime() - index->firstTime();
    const TimeWindow window{index->firstTime() + span / 10, index->lastTime() - span / 10};
    std::size_t buckets = 0;
    const double spanMs = worstMs(tries, [&] {
        std::vector<ProcessTotal> totals = index->totals(window);
        rankByBytes(totals, index->table());
        const ProcessBuckets chart =
            index->buckets(window, 8, bucketUnitFor(window.to - window.from, 120));
        buckets = chart.buckets();
    });
    std::fprintf(stderr, "  processes: %zu buckets over the zoomed span\n", buckets);
    return {topMs, spanMs};
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        const Options options = parse(argc, argv);
        const auto file = quill::bench::ensureStatFile(options.dir, options.lines);
        quill::Quillstat model;
        const auto outcome = model.loadStatPath(file.path.string());
        if (outcome.status != quill::LoadStatus::Loaded)
            throw std::runtime_error("cannot load " + file.path.string() + ": " + outcome.error);
        const double filterMs = quill::bench::worstFilterKeystrokeMs(model, options.tries);
        const std::string zoomMs = zoomFigure(model, options.tries);
        // Beside the generated file: on the same disk as the files a user would export.
        const double csvMs = quill::bench::worstCsvExportMs(model, options.dir, options.tries);
        const auto [topMs, spanMs] = processFigures(model, options.tries);
        std::printf(
            "explore: rows=%zu filter_ms=%.1f zoom_ms=%s csv_ms=%.1f top_ms=%.1f span_ms=%.1f\n",
            model.statList().size(), filterMs, zoomMs.c_str(), csvMs, topMs, spanMs);
        std::fflush(stdout);
        // Leaves at once: tearing the windows and the model down is not what is measured.
        std::_Exit(0);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quillometer-explore-bench: %s\n", error.what());
        return 1;
    }
}
