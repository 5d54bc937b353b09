// Measures the main window with a large file loaded: the time from the end of a load to the
// list shown anew (one coalesced redraw and a paint), and the repaint after scrolling a page.

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QScrollBar>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/stat_generator.h"
#include "tests/ui/common/fake_chooser.h"
#include "ui/main_window/content_view.h"
#include "ui/model_observer.h"

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

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
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
