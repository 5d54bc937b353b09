// quillometer-plot-bench: how fast the plot window shows a large load, answers the pointer and
// redraws after a resize, and how much memory it holds per point.

#include <malloc.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/quillstat.h"
#include "bench/stat_generator.h"
#include "ui/plot/plot_view.h"
#include "ui/plot/point_chart.h"

namespace quill::bench {
namespace {

struct Options {
    /// The generated file of a million lines holds about three million points.
    std::size_t lines = 1'000'000;
    std::filesystem::path dir = QUILL_BENCH_DATA_DIR;
    int openings = 3;
    int hovers = 40;
    int resizes = 6;
};

struct Figures {
    std::size_t points = 0;
    std::vector<double> firstFrames;
    std::vector<double> hovers;
    std::vector<double> resizes;
    double bytesPerPoint = 0;     ///< heap growth from opening the window, per point
    double ownBytesPerPoint = 0;  ///< what the view reports holding for its points
    int firstFrameRebuilds = 0;   ///< images the first frame drew: one per chart at the least
    bool hoverRebuilt = false;    ///< a hover drew the points again: it must not
};

constexpr double kTimeoutMs = 60'000;
const QSize kSize(1200, 900);
const QSize kOtherSize(1000, 760);

void printUsage() {
    std::printf(
        "usage: quillometer-plot-bench [--lines N] [--dir DIR]\n"
        "  --lines N  the generated file of N lines (default: 1000000, about 2.8 M points)\n"
        "  --dir DIR  where the generated files live (default: %s)\n",
        QUILL_BENCH_DATA_DIR);
}

std::optional<Options> parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--lines" && i + 1 < argc) {
            char* end = nullptr;
            const unsigned long long count = std::strtoull(argv[++i], &end, 10);
            if (end == nullptr || *end != '\0' || count == 0) return std::nullopt;
            options.lines = count;
        } else if (arg == "--dir" && i + 1 < argc) {
            options.dir = argv[++i];
        } else {
            return std::nullopt;
        }
    }
    return options;
}

std::int64_t heapInUse() {
    const struct mallinfo2 info = ::mallinfo2();
    return static_cast<std::int64_t>(info.uordblks + info.hblkhd);
}

/// Runs the event loop until `done` holds; false on timeout.
bool waitUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (static_cast<double>(timer.elapsed()) > kTimeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

double msSince(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

/// Notes when a widget is painted.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget& widget) { widget.installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

/// Opens the window on `loggy` and times it until the points of every chart are on screen.
std::unique_ptr<ui::PlotView> open(Quillstat& loggy, double& ms) {
    QElapsedTimer timer;
    timer.start();
    auto view = std::make_unique<ui::PlotView>(loggy);
    view->resize(kSize);
    view->show();
    if (!waitUntil([&] { return view->pointsUpToDate(); }))
        throw std::runtime_error("the first frame never completed");
    ms = msSince(timer);
    return view;
}

/// Styles, fonts and the chart theme are loaded once per process, by whichever window comes
/// first; in the application the main window has paid for them before the plot opens.
void warmUp() {
    Quillstat empty;
    double ignored = 0;
    open(empty, ignored);
}

void measureHovers(ui::PlotView& view, const Options& options, Figures& f) {
    auto* chart = view.findChild<ui::PointChart*>(QStringLiteral("rateChart"));
    auto* header = view.findChild<QLabel*>(QStringLiteral("rateHeaderDate"));
    PaintWatch watch(*header);
    const int rebuilds = view.rasterRebuildCount();
    const QRect area = chart->viewport()->rect();
    for (int i = 0; i < options.hovers; ++i) {
        const QPointF at(
            area.left() + 80 + (area.width() - 160) * i / std::max(options.hovers - 1, 1),
            area.center().y());
        const QString before = header->text();
        watch.painted = false;
        QElapsedTimer timer;
        timer.start();
        QMouseEvent move(QEvent::MouseMove, at, chart->viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(chart->viewport(), &move);
        if (!waitUntil([&] { return watch.painted && header->text() != before; }))
            throw std::runtime_error("a hover never reached the header");
        f.hovers.push_back(msSince(timer));
    }
    f.hoverRebuilt = view.rasterRebuildCount() != rebuilds;
}

void measureResizes(ui::PlotView& view, const Options& options, Figures& f) {
    for (int i = 0; i < options.resizes; ++i) {
        const int rebuilds = view.rasterRebuildCount();
        QElapsedTimer timer;
        timer.start();
        view.resize(i % 2 == 0 ? kOtherSize : kSize);
        if (!waitUntil(
                [&] { return view.rasterRebuildCount() > rebuilds && view.pointsUpToDate(); }))
            throw std::runtime_error("a resize never completed");
        f.resizes.push_back(msSince(timer));
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double maximum(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

void printTimes(const char* what, const std::vector<double>& times) {
    std::printf("  %-12s", what);
    for (double ms : times) std::printf(" %7.1f", ms);
    std::printf(" ms\n");
}

void printTargets(const Figures& f) {
    struct Target {
        const char* name;
        double value;
        double limit;
    };
    const Target targets[] = {{"first frame ms", median(f.firstFrames), 300},
                              {"hover ms (worst)", maximum(f.hovers), 16},
                              {"resize ms (worst)", maximum(f.resizes), 150},
                              {"bytes per point", f.bytesPerPoint, 40}};
    std::printf("\ntargets:\n");
    for (const Target& t : targets) {
        std::printf("  %-20s %8.1f <= %5.0f  %s\n", t.name, t.value, t.limit,
                    t.value <= t.limit ? "met" : "MISSED");
    }
    if (f.hoverRebuilt) std::printf("  hover redrew the points: MISSED\n");
}

Figures measure(Quillstat& loggy, const Options& options) {
    Figures f;
    f.points =
        loggy.ratesPoints().size() + loggy.pointsPersist().size() + loggy.pointsSpecial().size();
    warmUp();
    for (int i = 0; i < options.openings; ++i) {
        ::malloc_trim(0);
        const std::int64_t heapBefore = heapInUse();
        double ms = 0;
        auto view = open(loggy, ms);
        f.firstFrames.push_back(ms);
        f.firstFrameRebuilds = view->rasterRebuildCount();
        if (i + 1 < options.openings) continue;
        const auto points = static_cast<double>(std::max<std::size_t>(f.points, 1));
        f.bytesPerPoint = static_cast<double>(heapInUse() - heapBefore) / points;
        f.ownBytesPerPoint = static_cast<double>(view->pointBytes()) / points;
        measureHovers(*view, options, f);
        measureResizes(*view, options, f);
    }
    return f;
}

int run(const Options& options) {
#ifndef NDEBUG
    std::printf("warning: assertions are on; build with CMAKE_BUILD_TYPE=Release for figures\n");
#endif
    const StatFile file = ensureStatFile(options.dir, options.lines);
    std::printf("%s %s (%zu lines)\n", file.reused ? "reusing" : "wrote", file.path.c_str(),
                file.lines);
    Quillstat loggy;
    const LoadOutcome outcome = loggy.loadStatPath(file.path);
    if (outcome.status != LoadStatus::Loaded) {
        std::fprintf(stderr, "quillometer-plot-bench: load failed: %s\n", outcome.error.c_str());
        return 1;
    }
    const Figures f = measure(loggy, options);
    printTimes("first frame", f.firstFrames);
    printTimes("hover", f.hovers);
    printTimes("resize", f.resizes);
    std::printf(
        "\nplot: points=%zu first_frame_ms=%.1f hover_ms=%.2f hover_max_ms=%.2f resize_ms=%.1f "
        "resize_max_ms=%.1f bytes_per_point=%.1f own_bytes_per_point=%.1f "
        "first_frame_rebuilds=%d\n",
        f.points, median(f.firstFrames), median(f.hovers), maximum(f.hovers), median(f.resizes),
        maximum(f.resizes), f.bytesPerPoint, f.ownBytesPerPoint, f.firstFrameRebuilds);
    std::printf(
        "(first frame: from making the window to every chart's points on screen, median of %d "
        "openings; bytes per point: heap growth from opening it)\n",
        options.openings);
    printTargets(f);
    return 0;
}

}  // namespace
}  // namespace quill::bench

int main(int argc, char** argv) {
    // Headless unless told otherwise: the figures are the program's, not a display server's.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto options = quill::bench::parseOptions(argc, argv);
    if (!options) {
        quill::bench::printUsage();
        return 2;
    }
    try {
        return quill::bench::run(*options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillometer-plot-bench: %s\n", e.what());
        return 1;
    }
}
