// Measures the main window with a large file loaded: the time from the end of a load to the
// list shown anew (one coalesced redraw and a paint), and the repaint after scrolling a page.
// With --launch it instead starts as the program does and reports when the list first shows.

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QListView>
#include <QScrollBar>
#include <QStandardPaths>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/stat_generator.h"
#include "tests/ui/common/fake_chooser.h"
#include "ui/main_window/content_view.h"
#include "ui/model_observer.h"
#include "ui/quillometer_app.h"

namespace {

class NoWindows final : public quill::ui::WindowOpener {
public:
    void openWindow(quill::ui::WindowId) override {}
};

double ms(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

/// Time from the load's return to the redrawn, repainted list.
double showAfterLoad(quill::ui::ContentView& window, quill::Quillstat& model,
                     const std::string& path) {
    model.loadStatFile(quill::kResponseOK, quill::FileLocation::local(path));
    QElapsedTimer timer;
    timer.start();
    while (window.observer()->drawPending()) QApplication::processEvents();
    // The list lays its rows out lazily; count that in, then a whole frame of the window.
    window.list()->doItemsLayout();
    QApplication::processEvents();
    (void)window.grab();
    return ms(timer);
}

double scrollPage(quill::ui::ContentView& window) {
    QScrollBar* bar = window.list()->verticalScrollBar();
    QElapsedTimer timer;
    timer.start();
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QApplication::processEvents();
    window.list()->viewport()->repaint();
    return ms(timer);
}

/// Watches the main list for its first paint with every loaded line among its rows, laid out:
/// the moment a user would see the file. Without a file, the first paint of the empty list.
class FirstListPaint final : public QObject {
public:
    FirstListPaint(quill::ui::ContentView& window, bool withFile)
        : window_(window), withFile_(withFile) {
        window.list()->viewport()->installEventFilter(this);
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
        if (!withFile_) return true;
        // Rows in the model are not yet rows on screen: the list lays them out lazily, and
        // until it has, a paint draws nothing where the first row belongs.
        const QListView* list = window_.list();
        return !window_.observer()->drawPending() && list->model()->rowCount() > 0 &&
               list->indexAt(QPoint(1, 1)).isValid();
    }

    quill::ui::ContentView& window_;
    bool withFile_;
    bool seen_ = false;
};

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
    FirstListPaint paint(*main, withFile);
    if (withFile) main->openFile(arguments.at(2));
    while (!paint.seen()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("launch: rows=%d\n", main->list()->model()->rowCount());
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The files a benchmark opens are not the user's recent files.
    QStandardPaths::setTestModeEnabled(true);
    if (argc > 1 && std::strcmp(argv[1], "--launch") == 0) {
        return launch(argc, argv);
    }
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
    const double shown = showAfterLoad(window, model, file.path.string());
    double worstScroll = 0;
    for (int i = 0; i < 20; ++i) worstScroll = std::max(worstScroll, scrollPage(window));
    std::printf("main-window: lines=%zu rows=%d load_to_list_ms=%.1f scroll_page_worst_ms=%.2f\n",
                model.statList().size(), window.list()->model()->rowCount(), shown, worstScroll);
    return 0;
}
