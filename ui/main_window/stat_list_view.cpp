#include "ui/main_window/stat_list_view.h"

#include <QHeaderView>
#include <QKeyEvent>

#include "ui/main_window/message_row.h"

namespace quill::ui {

StatListView::StatListView(std::function<void(const QString&)> typed, QWidget* parent)
    : QTableView(parent), typed_(std::move(typed)) {
    auto* row = new MessageRow(this);
    setItemDelegate(row);
    setFont(messageRowFont());
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // Tab leaves the list, as it leaves a list view, rather than stepping through cells.
    setTabKeyNavigation(false);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setHorizontalScrollMode(ScrollPerPixel);
    horizontalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    // Every row as high as the delegate draws it, so no row is ever measured.
    const int height = row->sizeHint(QStyleOptionViewItem(), QModelIndex()).height();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(height);
    verticalHeader()->setDefaultSectionSize(height);
}

void StatListView::setModel(QAbstractItemModel* model) {
    QTableView::setModel(model);
    // The first row stands for all, as it does for a list view of uniform rows.
    connect(model, &QAbstractItemModel::modelReset, this, &StatListView::fitWidth);
    connect(model, &QAbstractItemModel::rowsInserted, this, &StatListView::fitWidth);
    connect(model, &QAbstractItemModel::dataChanged, this, &StatListView::fitWidth);
    fitWidth();
}

void StatListView::fitWidth() {
    const QModelIndex first = model()->index(0, 0);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    horizontalHeader()->setMinimumSectionSize(
        first.isValid() ? itemDelegate()->sizeHint(option, first).width() : 0);
}

void StatListView::keyboardSearch(const QString& text) {
    // Qt's own type-ahead would compare the keys typed with every row's text, formatted one by
    // one: seconds per key at a million rows.
    if (!text.isEmpty() && text.front().isPrint()) typed_(text);
}

void StatListView::keyPressEvent(QKeyEvent* event) {
    // The list makes its first row current on focus, unselected: the first step down or up
    // selects that row instead of passing it by.
    const bool step = event->key() == Qt::Key_Down || event->key() == Qt::Key_Up;
    if (step && event->modifiers() == Qt::NoModifier && currentIndex().isValid() &&
        !selectionModel()->hasSelection()) {
        selectionModel()->setCurrentIndex(currentIndex(), QItemSelectionModel::ClearAndSelect);
        return;
    }
    QTableView::keyPressEvent(event);
}

QModelIndex StatListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    // A table's Home and End go to the first and last column; in a list they go to the first
    // and last row.
    if (action != MoveHome && action != MoveEnd) return QTableView::moveCursor(action, modifiers);
    const int rows = model() ? model()->rowCount() : 0;
    if (rows == 0) return {};
    return model()->index(action == MoveHome ? 0 : rows - 1, 0);
}

}  // namespace quill::ui
