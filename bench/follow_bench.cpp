// The cost of a followed file's growth to the windows: from the write that adds the lines to
// the list painting them, the UI thread's share of that, and the memory each line adds.

#include "bench/follow_bench.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

#include "analysis/stat_follow.h"
#include "bench/measurements.h"
#include "ui/main_window/content_view.h"
#include "ui/plot/plot_view.h"

namespace quill::bench {

namespace {

constexpr std::size_t kAppendRows = 1000;
constexpr int kAppends = 10;

double threadCpuMs() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

QAbstractItemView& listOf(ui::ContentView& window) {
    return *window.findChild<QAbstractItemView*>(QStringLiteral("statList"));
}

/// Sees the list paint once its model holds `rows` rows and lays them out.
class RowsPainted final : public QObject {
public:
    RowsPainted(QAbstractItemView& list, int rows) : list_(list), rows_(rows) {
        list_.viewport()->installEventFilter(this);
    }
    ~RowsPainted() override { list_.viewport()->removeEventFilter(this); }
    bool seen() const { return seen_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && list_.model()->rowCount() == rows_ &&
            list_.indexAt(QPoint(1, 1)).isValid())
            seen_ = true;
        return QObject::eventFilter(watched, event);
    }

private:
    QAbstractItemView& list_;
    int rows_;
    bool seen_ = false;
};

/// Lines as the generator makes them, their times carried on from `time` a minute apart, as a
/// logger adds them.
std::string moreLines(StatLineGenerator& lines, std::int64_t& time, std::size_t count) {
    std::string out;
    std::string line;
    for (std::size_t i = 0; i < count; ++i) {
        line.clear();
        lines.appendLine(line);
        out += "{\"unixTime\":" + std::to_string(time += 60) + line.substr(line.find(','));
    }
    return out;
}

struct Growth {
    double shownMs = 0;
    double uiMs = 0;
};

/// Appends `bytes` to `path` and takes them in as the program does, the poll aside.
Growth grow(ui::ContentView& window, Quillstat& model, StatFollower& follower,
            const std::string& path, const std::string& bytes, const ui::PlotView* plot) {
    const int rows = static_cast<int>(model.statList().size() + kAppendRows);
    RowsPainted painted(listOf(window), rows);
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
    QElapsedTimer shown;
    shown.start();
    const FollowStep step = follower.poll();
    const double cpu = threadCpuMs();
    if (!model.applyGrowth(step.table)) std::fprintf(stderr, "follow: growth not taken in\n");
    if (std::getenv("QUILL_FOLLOW_VERBOSE"))
        std::fprintf(stderr, "follow: applyGrowth %.1f ms\n", threadCpuMs() - cpu);
    while (!painted.seen() || (plot && !plot->pointsUpToDate()))
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return {static_cast<double>(shown.nsecsElapsed()) / 1e6, threadCpuMs() - cpu};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void measure(ui::ContentView& window, Quillstat& model, StatFollower& follower,
             const std::string& path, const ui::PlotView* plot) {
    StatLineGenerator generator(kDefaultSeed + 1);
    std::int64_t time = model.statList().unixTime(model.statList().size() - 1);
    listOf(window).scrollToBottom();
    // One growth first: what the first takes once (the plot's order of lines, say) is no cost
    // per line.
    grow(window, model, follower, path, moreLines(generator, time, kAppendRows), plot);
    std::vector<double> shown;
    std::vector<double> ui;
    const std::int64_t before = residentBytes();
    for (int i = 0; i < kAppends; ++i) {
        const std::string bytes = moreLines(generator, time, kAppendRows);
        listOf(window).scrollToBottom();
        QApplication::processEvents();
        const Growth growth = grow(window, model, follower, path, bytes, plot);
        shown.push_back(growth.shownMs);
        ui.push_back(growth.uiMs);
    }
    const double rssPerRow =
        static_cast<double>(residentBytes() - before) / (kAppends * kAppendRows);
    const StatTable& table = model.statList();
    std::printf(
        "follow: rows=%zu append_rows=%zu shown_ms=%.1f ui_ms=%.1f rss_per_row_b=%.0f "
        "shown_worst_ms=%.1f ui_worst_ms=%.1f table_b_per_row=%.0f plot=%s\n",
        table.size(), kAppendRows, median(shown), median(ui), rssPerRow,
        *std::max_element(shown.begin(), shown.end()), *std::max_element(ui.begin(), ui.end()),
        static_cast<double>(table.bytes()) / static_cast<double>(table.size()),
        plot ? "open" : "closed");
    std::fflush(stdout);
}

}  // namespace

void benchFollow(ui::ContentView& window, Quillstat& model, const StatFile& file) {
    // A copy, as the lines appended would change the file the other figures are of.
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("followed.jsonl")).toStdString();
    std::filesystem::copy_file(file.path, path);
    StatLoad load = StatFollower::load(path);
    const std::shared_ptr<StatFollower> follower = load.follower;
    model.applyLoad(std::move(load));
    QApplication::processEvents();
    measure(window, model, *follower, path, nullptr);
    ui::PlotView plot(model);
    plot.show();
    while (!plot.pointsUpToDate()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    measure(window, model, *follower, path, &plot);
}

}  // namespace quill::bench
