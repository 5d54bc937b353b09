#include "bench/explore_list.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <string>

#include "ui/main_window/list_export.h"
#include "ui/main_window/stat_list_model.h"

namespace quill::bench {

namespace {

double ms(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

/// The time to set `needle` and have the view take the new rows.
double keystrokeMs(ui::StatListModel& list, QListView& view, const std::string& needle) {
    QElapsedTimer timer;
    timer.start();
    list.setFilter(needle);
    view.doItemsLayout();
    return ms(timer);
}

}  // namespace

double worstFilterKeystrokeMs(const Quillstat& model, int tries) {
    ui::StatListModel list(model);
    QListView view;
    view.setUniformItemSizes(true);
    view.setModel(&list);
    view.resize(1200, 800);
    list.refresh();
    // What opening the filter field costs, once per load, before the first key.
    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpu = std::clock();
    list.prepareFilter();
    if (std::getenv("QUILL_EXPLORE_VERBOSE"))
        std::fprintf(stderr, "  making the list searchable: %.1f ms (%.1f ms of CPU)\n", ms(timer),
                     1000.0 * static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC);
    double worst = 0;
    // Letters take the slower path of the matching (both cases); "q" is rare in the texts,
    // so nearly every text of every line is searched in full.
    for (int i = 0; i < tries; ++i)
        for (const char* needle : {"q", "qu", "q", "", "persist", "persist/1", "2023-", ""}) {
            const double t = keystrokeMs(list, view, needle);
            if (std::getenv("QUILL_EXPLORE_VERBOSE"))
                std::fprintf(stderr, "  filter '%s': %.1f ms, %d rows\n", needle, t,
                             list.rowCount());
            worst = std::max(worst, t);
        }
    return worst;
}

double worstCsvExportMs(const Quillstat& model, const std::filesystem::path& dir, int tries) {
    const QString path = QString::fromStdString((dir / "explore-export.csv").string());
    double worst = 0;
    for (int i = 0; i < tries; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (const auto error = ui::saveListCsv(path, model.statList(), nullptr))
            throw std::runtime_error("cannot export: " + error->toStdString());
        worst = std::max(worst, ms(timer));
    }
    std::filesystem::remove(path.toStdString());
    return worst;
}

}  // namespace quill::bench
