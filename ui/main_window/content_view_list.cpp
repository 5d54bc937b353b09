// The main window's filter over the list and its export as CSV.

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QStatusBar>

#include "ui/main_window/content_view.h"
#include "ui/main_window/list_export.h"
#include "ui/main_window/list_filter_bar.h"
#include "ui/main_window/stat_list_model.h"
#include "ui/main_window/stat_list_view.h"
#include "ui/qt_text.h"

namespace quill::ui {

ContentView::~ContentView() = default;

void ContentView::setSaveChooser(std::unique_ptr<SaveChooser> chooser) {
    saveChooser_ = std::move(chooser);
}

void ContentView::makeListTools() {
    saveChooser_ = std::make_unique<DialogSaveChooser>();
    filterBar_ = new ListFilterBar(*listModel_);
    addAction(filterBar_->showAction());
    // A permanent part of the status bar: status tips and messages would clear a message.
    recordCount_ = new QLabel;
    recordCount_->setObjectName(QStringLiteral("recordCount"));
    statusBar()->addPermanentWidget(recordCount_);
    connect(filterBar_, &ListFilterBar::dismissed, list_, [this] { list_->setFocus(); });
    // Every reset, from a load's redraw or from the filter, forgets the selected row.
    connect(listModel_, &QAbstractItemModel::modelReset, this, &ContentView::followListReset);

    exportList_ = new QAction(QStringLiteral("&Export List as CSV\u2026"), this);
    exportList_->setObjectName(QStringLiteral("exportList"));
    exportList_->setStatusTip(QStringLiteral("Save the rows shown in the list as a CSV file"));
    addAction(exportList_);
    connect(exportList_, &QAction::triggered, this, &ContentView::exportList);
    exportList_->setEnabled(false);
}

void ContentView::filterByProcess(const QString& name) {
    filterBar_->showProcess(name);
}

void ContentView::filterBySpan(TimeWindow window) {
    filterBar_->showSpan(window);
}

void ContentView::followPlotSpan() {
    // Apart from the list's own drawing, which would go through every line at each zoom step.
    auto* follow = new ModelObserver(
        loggy_,
        [this] {
            if (!loggy_.plotSpan()) filterBar_->clearSpan();
        },
        this);
    follow->drawNow();
}

void ContentView::showRecordCount() {
    // Before any file there is nothing to count.
    const bool none = loggy_.fileName().empty() && listModel_->totalRows() == 0;
    recordCount_->setText(none ? QString() : recordCountText(*listModel_));
    // With no lines, an export would write a header alone.
    exportList_->setEnabled(listModel_->totalRows() > 0);
}

void ContentView::followListReset() {
    // The selected line stays selected while the list shows it, so a filter can be narrowed
    // or cleared around it. A hidden one comes back selected when it shows again.
    if (selection_) {
        const int row = listModel_->rowOf(*selection_);
        if (row >= 0) {
            const QModelIndex index = listModel_->index(row);
            list_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
            list_->scrollTo(index);
        }
    }
    showRecordCount();
}

void ContentView::exportList() {
    const QString suggested = csvNameFor(toQString(loggy_.fileName()));
    saveChooser_->chooseCsvFile(this, suggested, [this](std::optional<QString> path) {
        if (path) writeExport(*path);
    });
}

void ContentView::writeExport(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    // What the list shows now, which is what the user asked to export, even while the model
    // holds a newer load that the list has not drawn yet.
    const int rows = listModel_->rowCount();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto error = saveListCsv(path, listModel_->table(), listModel_->filteredRows());
    QApplication::restoreOverrideCursor();
    if (error) {
        statusBar()->showMessage(
            QStringLiteral("Could not export to \u201c%1\u201d: %2").arg(name, *error));
        return;
    }
    const QString done = rows == 1 ? QStringLiteral("Exported %1 record to \u201c%2\u201d")
                                   : QStringLiteral("Exported %1 records to \u201c%2\u201d");
    statusBar()->showMessage(done.arg(rows).arg(name));
}

}  // namespace quill::ui
