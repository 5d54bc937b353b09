// Measures the main window with a large file: opening it as a user does, while the window
// keeps answering, and cancelling a load; the time from the end of a load to the list shown
// anew (one coalesced redraw and a paint); the repaint after scrolling a page; and a followed
// file's growth, list and plot taking in its new lines (follow_bench.cpp). With
// --launch it instead starts as the program does and reports when the list first shows.

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/follow_bench.h"
#include "bench/stat_generator.h"
#include "tests/ui/common/fake_chooser.h"
#include "ui/main_window/content_view.h"
#include "ui/model_observer.h"
#include "ui/open_file/stat_file_loader.h"
#include "ui/quillometer_app.h"

namespace {

class NoWindows final : public quill::ui::WindowOpener {
public:
    void openWindow(quill::ui::WindowId) override {}
};

double ms(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

QAbstractItemView& listOf(const quill::ui::ContentView& window) {
    return *window.findChild<QAbstractItemView*>(QStringLiteral("statList"));
}

bool drawPending(const quill::ui::ContentView& window) {
    return window.findChild<quill::ui::ModelObserver*>()->drawPending();
}

/// Time from the load's return to the redrawn, repainted list.
double showAfterLoad(quill::ui::ContentView& window, quill::Quillstat& model,
                     const std::string& path) {
    model.loadStatPath(path);
    QElapsedTimer timer;
    timer.start();
    while (drawPending(window)) QApplication::processEvents();
    // The list lays its rows out lazily; count that in, then a whole frame of the window.
    listOf(window).doItemsLayout();
    QApplication::processEvents();
    (void)window.grab();
    return ms(timer);
}

double scrollPage(quill::ui::ContentView& window) {
    QScrollBar* bar = listOf(window).verticalScrollBar();
    QElapsedTimer timer;
    timer.start();
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QApplication::processEvents();
    listOf(window).viewport()->repaint();
    return ms(timer);
}

/// Watches the main list for a paint with `rows` rows, laid out: the moment a user sees the
/// file. Any rows at all for `rows` < 0, and any paint for `rows` == 0.
class ListPaint final : public QObject {
public:
    ListPaint(quill::ui::ContentView& window, int rows) : window_(window), rows_(rows) {
        listOf(window).viewport()->installEventFilter(this);
    }

    bool seen() const { return seen_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The filter sees the paint before the list draws it; the drawing is over by the time
        // processEvents returns to the waiting loop.
        if (event->type() == QEvent::Paint && showsRows()) seen_ = true;
        return QObject::eventFilter(watched, event);
    }

private:
    bool showsRows() const {
        if (rows_ == 0) return true;
        // Rows in the model are not yet rows on screen: the list lays them out lazily, and
        // until it has, a paint draws nothing where the first row belongs.
        const QAbstractItemView& list = listOf(window_);
        const int count = list.model()->rowCount();
        return !drawPending(window_) && (rows_ < 0 ? count > 0 : count == rows_) &&
               list.indexAt(QPoint(1, 1)).isValid();
    }

    quill::ui::ContentView& window_;
    int rows_;
    bool seen_ = false;
};

/// The longest wait between two turns of the event loop, watched by a timer that asks for
/// one every millisecond: how long the window would not answer a click.
class LoopGaps final : public QObject {
public:
    LoopGaps() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        connect(&timer_, &QTimer::timeout, this, [this] {
            longest_ = std::max(longest_, ms(since_));
            since_.start();
        });
        since_.start();
        timer_.start();
    }
    double longestMs() const { return longest_; }

private:
    QTimer timer_;
    QElapsedTimer since_;
    double longest_ = 0;
};

/// Waits in the event loop, as the program does, until `done`.
template <typename Done>
void waitUntil(Done done) {
    while (!done()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

struct LoadUi {
    double listMs = 0;
    double stallMs = 0;
    double cancelMs = 0;
};

/// Opens `path` as a user does and waits for the list to show it, then opens it again and
/// presses Escape a third of the way through.
LoadUi measureLoadUi(quill::ui::ContentView& window, const quill::bench::StatFile& file) {
    LoadUi result;
    const QString path = QString::fromStdString(file.path.string());
    const int rows = static_cast<int>(file.lines);
    {
        ListPaint paint(window, rows);
        const LoopGaps gaps;
        QElapsedTimer timer;
        timer.start();
        window.openFile(path);
        waitUntil([&] { return paint.seen(); });
        result.listMs = ms(timer);
        result.stallMs = gaps.longestMs();
    }
    auto& loader = *window.findChild<quill::ui::StatFileLoader*>();
    window.openFile(path);
    waitUntil([&] { return loader.progress() > 0.3; });
    // The window shows the list before once it has painted without the progress.
    QWidget& indicator = *window.findChild<QWidget*>(QStringLiteral("loadIndicator"));
    bool painted = false;
    struct StatusPaint final : QObject {
        explicit StatusPaint(bool& seen, QWidget& indicator) : seen_(seen), indicator_(indicator) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint && indicator_.isHidden()) seen_ = true;
            return false;
        }
        bool& seen_;
        QWidget& indicator_;
    } statusPaint(painted, indicator);
    window.statusBar()->installEventFilter(&statusPaint);
    QElapsedTimer timer;
    timer.start();
    QTest::keyClick(&window, Qt::Key_Escape);
    waitUntil([&] { return painted; });
    result.cancelMs = ms(timer);
    window.statusBar()->removeEventFilter(&statusPaint);
    if (listOf(window).model()->rowCount() != rows) std::fprintf(stderr, "cancel lost the list\n");
    waitUntil([&] { return loader.idle(); });
    return result;
}

/// Does what the program's main() does with a file named on its command line, then waits in
/// the event loop, as the program would, until the list shows the file; writes one line and
/// ends. The parent process times it from its spawn to that line.
int launch(int argc, char** argv) {
    QApplication application(argc, argv);
    quill::ui::nameApplication();
    quill::ui::QuillometerApp app;
    app.start();
    auto* main = qobject_cast<quill::ui::ContentView*>(app.window(quill::ui::WindowId::Main));
    const QStringList arguments = QApplication::arguments();  // [program, --launch, FILE]
    const bool withFile = arguments.size() > 2;
    ListPaint paint(*main, withFile ? -1 : 0);
    if (withFile) main->openFile(arguments.at(2));
    while (!paint.seen()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("launch: rows=%d\n", listOf(*main).model()->rowCount());
    std::fflush(stdout);
    return 0;
}

void measureWindow(quill::ui::ContentView& window, quill::Quillstat& model,
                   const quill::bench::StatFile& file) {
    const LoadUi loadUi = measureLoadUi(window, file);
    std::printf("load-ui: lines=%zu list_ms=%.1f stall_ms=%.1f cancel_ms=%.1f\n", file.lines,
                loadUi.listMs, loadUi.stallMs, loadUi.cancelMs);
    std::fflush(stdout);
    const double shown = showAfterLoad(window, model, file.path.string());
    double worstScroll = 0;
    for (int i = 0; i < 20; ++i) worstScroll = std::max(worstScroll, scrollPage(window));
    std::printf("main-window: lines=%zu rows=%d load_to_list_ms=%.1f scroll_page_worst_ms=%.2f\n",
                model.statList().size(), listOf(window).model()->rowCount(), shown, worstScroll);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The files a benchmark opens are not the user's recent files.
    QStandardPaths::setTestModeEnabled(true);
    if (argc > 1 && std::strcmp(argv[1], "--launch") == 0) return launch(argc, argv);
    QApplication app(argc, argv);
    std::size_t lines = 1'000'000;
    std::string dir = QUILL_BENCH_DATA_DIR;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--lines") == 0) lines = std::stoul(argv[i + 1]);
        if (std::strcmp(argv[i], "--dir") == 0) dir = argv[i + 1];
    }
    const auto file = quill::bench::ensureStatFile(dir, lines);
    quill::Quillstat model;
    NoWindows windows;
    quill::test::FakeChooser chooser;
    quill::ui::ContentView window(model, windows, chooser);
    window.resize(1200, 800);
    window.show();
    QApplication::processEvents();
    // With --follow last, the follow figures alone.
    if (std::strcmp(argv[argc - 1], "--follow") != 0) measureWindow(window, model, file);
    quill::bench::benchFollow(window, model, file);
    return 0;
}
