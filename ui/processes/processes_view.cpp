#include "ui/processes/processes_view.h"

#include <QAction>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTableView>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "ui/model_observer.h"
#include "ui/processes/process_table_model.h"
#include "ui/window_size.h"

namespace quill::ui {

namespace {

/// Characters of a name that the name column shows at most, until the user widens it.
constexpr int kNameChars = 48;

}  // namespace

ProcessesView::ProcessesView(Quillstat& loggy, std::function<void(const QString&)> showInList,
                             QWidget* parent)
    : QWidget(parent), loggy_(loggy), showInList_(std::move(showInList)) {
    model_ = new ProcessTableModel(this);
    sums_ = new QFutureWatcher<Summed>(this);
    connect(sums_, &QFutureWatcherBase::finished, this, &ProcessesView::takeSums);
    auto* stack = new QVBoxLayout(this);
    stack->addWidget(makeFilterRow());
    makeTable();
    stack->addWidget(table_);
    count_ = new QLabel;
    count_->setObjectName(QStringLiteral("processCount"));
    stack->addWidget(count_);
    observer_ = new ModelObserver(
        loggy_, [this] { draw(); }, this);
    observer_->drawNow();
    // Wide enough for every column beside a long path of a process.
    resizeWithinScreen(*this, {1400, 700});
}

ProcessesView::~ProcessesView() = default;

QWidget* ProcessesView::makeFilterRow() {
    filter_ = new QLineEdit;
    filter_->setObjectName(QStringLiteral("processFilter"));
    filter_->setPlaceholderText(QStringLiteral("Filter by process name"));
    filter_->setClearButtonEnabled(true);
    connect(filter_, &QLineEdit::textChanged, this, [this](const QString& text) {
        model_->setNameFilter(text);
        showCount();
    });
    auto* label = new QLabel(QStringLiteral("&Filter:"));
    label->setBuddy(filter_);
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(filter_);
    return row;
}

void ProcessesView::makeTable() {
    table_ = new QTableView;
    table_->setObjectName(QStringLiteral("processTable"));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setAlternatingRowColors(true);
    table_->setWordWrap(false);
    // A path too long for its column keeps its start and the program's name at its end.
    table_->setTextElideMode(Qt::ElideMiddle);
    table_->verticalHeader()->hide();
    // Most bytes first until the user picks another column.
    table_->horizontalHeader()->setSortIndicator(ProcessTableModel::TotalKb, Qt::DescendingOrder);
    table_->setSortingEnabled(true);
    connect(table_, &QAbstractItemView::doubleClicked, this, &ProcessesView::showInList);
    // The same from the keyboard and from the row's context menu.
    auto* show = new QAction(QStringLiteral("Show Records in List"), table_);
    show->setObjectName(QStringLiteral("showInList"));
    show->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    show->setShortcutContext(Qt::WidgetShortcut);
    connect(show, &QAction::triggered, this, &ProcessesView::showInList);
    table_->addAction(show);
    table_->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void ProcessesView::draw() {
    std::shared_ptr<const StatTable> table = loggy_.statListTable();
    if (table == wanted_) return;
    wanted_ = table;
    summing_ = true;
    // The rows shown are the file before's until the sums of this one come.
    table_->setEnabled(false);
    showCount();
    sums_->setFuture(QtConcurrent::run([table] { return Summed{table, processTotals(*table)}; }));
}

void ProcessesView::takeSums() {
    Summed sums = sums_->result();
    // Sums of a table that another load has replaced since: the new one's are on their way.
    if (sums.table != wanted_) return;
    summing_ = false;
    model_->setTotals(std::move(sums.table), std::move(sums.totals));
    table_->setEnabled(true);
    fitColumns();
    showCount();
}

void ProcessesView::fitColumns() {
    table_->resizeColumnsToContents();
    // One very long name must not push every figure out of sight; its tip shows it whole.
    const int widest = table_->fontMetrics().averageCharWidth() * kNameChars;
    if (table_->columnWidth(ProcessTableModel::Name) > widest)
        table_->setColumnWidth(ProcessTableModel::Name, widest);
}

void ProcessesView::showCount() {
    if (summing_) {
        count_->setText(QStringLiteral("Summing the processes\u2026"));
        return;
    }
    const QLocale locale;
    const int all = model_->processCount();
    QString text = locale.toString(all);
    if (!filter_->text().isEmpty())
        text = locale.toString(model_->rowCount()) + QStringLiteral(" of ") + text;
    text += all == 1 ? QStringLiteral(" process") : QStringLiteral(" processes");
    if (all > 0) text += QStringLiteral(" \u2014 double-click one to list its records");
    count_->setText(text);
}

void ProcessesView::showInList() {
    const QModelIndex current = table_->currentIndex();
    if (current.isValid()) showInList_(model_->processName(current.row()));
}

}  // namespace quill::ui
