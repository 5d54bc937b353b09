#include "ui/processes/processes_view.h"

#include <QAction>
#include <QButtonGroup>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "ui/model_observer.h"
#include "ui/processes/process_table_model.h"
#include "ui/processes/stack_chart.h"
#include "ui/window_size.h"

namespace quill::ui {

namespace {

/// Characters of a name that the name column shows at most, until the user widens it.
constexpr int kNameChars = 48;
/// The processes the chart shows each, the rest together, and the most bars it cuts time into.
constexpr std::size_t kTopProcesses = 8;
constexpr std::size_t kMostBuckets = 120;

}  // namespace

ProcessesView::ProcessesView(Quillstat& loggy, std::function<void(const QString&)> showInList,
                             QWidget* parent)
    : QWidget(parent), loggy_(loggy), showInList_(std::move(showInList)) {
    model_ = new ProcessTableModel(this);
    answers_ = new QFutureWatcher<Answer>(this);
    connect(answers_, &QFutureWatcherBase::finished, this, &ProcessesView::takeAnswer);
    auto* stack = new QVBoxLayout(this);
    stack->addWidget(makeFilterRow());
    makeTable();
    makeChart();
    auto* split = new QSplitter(Qt::Vertical);
    split->setChildrenCollapsible(false);
    split->addWidget(table_);
    split->addWidget(chart_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    stack->addWidget(split, 1);
    count_ = new QLabel;
    count_->setObjectName(QStringLiteral("processCount"));
    stack->addWidget(count_);
    observer_ = new ModelObserver(
        loggy_, [this] { draw(); }, this);
    observer_->drawNow();
    // Wide enough for every column beside a long path of a process.
    resizeWithinScreen(*this, {1480, 900});
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
    layout->addSpacing(fontMetrics().averageCharWidth() * 4);
    layout->addWidget(makeSpanSwitch());
    return row;
}

QWidget* ProcessesView::makeSpanSwitch() {
    auto* whole = new QRadioButton(QStringLiteral("&Whole file"));
    whole->setObjectName(QStringLiteral("wholeFile"));
    whole->setChecked(true);
    follow_ = new QRadioButton(QStringLiteral("&Span shown in the plot"));
    follow_->setObjectName(QStringLiteral("plotSpan"));
    auto* group = new QButtonGroup(this);
    group->addButton(whole);
    group->addButton(follow_);
    // Reads the plot's span, or stops reading it: its changes then matter, or no longer do.
    connect(follow_, &QRadioButton::toggled, this, [this] { observer_->drawNow(); });
    auto* box = new QWidget;
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Show:")));
    layout->addWidget(whole);
    layout->addWidget(follow_);
    return box;
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

void ProcessesView::makeChart() {
    chart_ = new StackChart;
    chart_->setEnabled(false);  // until its first sums come
    connect(chart_, &StackChart::spanRequested, this, &ProcessesView::askForSpan);
}

bool ProcessesView::followsPlot() const {
    return follow_->isChecked();
}

void ProcessesView::draw() {
    Query query{loggy_.statListTable(), followsPlot() ? loggy_.plotSpan() : std::nullopt};
    if (query == wanted_) return;
    wanted_ = std::move(query);
    const bool grown = wantsGrowth();
    // A grown table's chart keeps its axis from the index before until the new one comes.
    if (index_ && index_->sharedTable() != wanted_.table && !grown) index_.reset();
    if (grown) {
        showGrowth();
    } else if (shown_.table != wanted_.table) {
        // The rows shown are the file before's until the sums of this one come.
        table_->setEnabled(false);
        showCount();
    }
    // The axis moves at once; the bars of the new span follow when they are summed.
    showSpan();
    // A zoom step comes many times a second: the query being answered runs to its end, and
    // only the latest one wanted then runs after it.
    if (!asking_) ask();
}

void ProcessesView::ask() {
    asking_ = true;
    // A new file's table comes first, summed on every core: the index behind the chart and the
    // spans takes about twice as long, and comes with the next answer.
    const bool tableFirst = shown_.table != wanted_.table && !wanted_.span;
    answers_->setFuture(QtConcurrent::run(&ProcessesView::answer, wanted_, index_, tableFirst));
}

ProcessesView::Answer ProcessesView::answer(Query query, std::shared_ptr<const ProcessIndex> index,
                                            bool tableFirst) {
    const bool indexed = index && index->sharedTable() == query.table;
    if (tableFirst && !indexed) {
        std::vector<ProcessTotal> totals = processTotals(*query.table);
        return Answer{std::move(query), nullptr, std::move(totals), {}};
    }
    if (!indexed) index = std::make_shared<const ProcessIndex>(query.table);
    const TimeWindow window = query.span ? windowOf(*query.span) : TimeWindow{};
    Answer answer{std::move(query), index, index->totals(window), {}};
    // Buckets fine enough for the span of records within the window, not for the empty time
    // the plot may show around them.
    const std::int64_t from = std::max(window.from, index->firstTime());
    const std::int64_t to = std::min(window.to, index->lastTime());
    if (!index->table().empty() && from <= to)
        answer.buckets =
            index->buckets(window, kTopProcesses, bucketUnitFor(to - from, kMostBuckets));
    return answer;
}

void ProcessesView::takeAnswer() {
    Answer answer = answers_->result();
    asking_ = false;
    if (answer.index && answer.index->sharedTable() == wanted_.table) index_ = answer.index;
    // An answer to a query that a newer one has replaced since: that one's turn now.
    if (!(answer.query == wanted_)) return ask();
    const bool tableOnly = !answer.index;
    showAnswer(std::move(answer));
    if (tableOnly) ask();
}

bool ProcessesView::wantsGrowth() const {
    return shown_.table && wanted_.table && shown_.table != wanted_.table &&
           shown_.span == wanted_.span && wanted_.table->extends(*shown_.table);
}

void ProcessesView::showGrowth() {
    // Exactly the sums of the whole table: what the index brings next agrees with them.
    std::vector<ProcessTotal> totals = model_->totals();
    addRows(totals, *wanted_.table, shown_.table->size(), wanted_.table->size(),
            wanted_.span ? windowOf(*wanted_.span) : TimeWindow{});
    shown_ = wanted_;
    showTotals(wanted_.table, std::move(totals), false);
    showCount();
}

void ProcessesView::showTotals(std::shared_ptr<const StatTable> table,
                               std::vector<ProcessTotal> totals, bool newTable) {
    // The process selected stays selected, where the new sums still list it.
    const QModelIndex current = table_->currentIndex();
    const int scrolled = table_->verticalScrollBar()->value();
    const std::optional<StringTable::Id> selected =
        current.isValid() && !newTable ? std::optional(model_->processId(current.row()))
                                       : std::nullopt;
    model_->setTotals(std::move(table), std::move(totals));
    if (selected && model_->rowOf(*selected) >= 0)
        table_->setCurrentIndex(model_->index(model_->rowOf(*selected), current.column()));
    if (!newTable) table_->verticalScrollBar()->setValue(scrolled);
}

void ProcessesView::showAnswer(Answer answer) {
    const bool newTable = shown_.table != answer.query.table;
    shown_ = answer.query;
    showTotals(answer.query.table, std::move(answer.totals), newTable);
    // The table alone: the chart of the file before goes, and this one's comes next.
    chart_->setBuckets(answer.query.table, std::move(answer.buckets));
    chart_->setEnabled(answer.index != nullptr);
    if (answer.index) showSpan();
    if (newTable) {
        table_->setEnabled(true);
        fitColumns();
    }
    showCount();
}

AxisRange ProcessesView::fullSpan() const {
    if (!index_ || index_->table().empty()) return defaultTimeRange();
    // To the end of the last record's second, so that a window of whole seconds takes it in.
    return {static_cast<double>(index_->firstTime()), static_cast<double>(index_->lastTime()) + 1};
}

void ProcessesView::showSpan() {
    const AxisRange full = fullSpan();
    const std::optional<TimeSpan>& span = wanted_.span;
    AxisRange shown = span ? AxisRange{span->from, span->to} : full;
    // The whole file from the start of its first bar to the end of its last.
    const ProcessBuckets& buckets = chart_->buckets();
    if (!span && shown_ == wanted_ && !buckets.starts.empty())
        shown = {std::min(full.min, static_cast<double>(buckets.starts.front())),
                 std::max(full.max, static_cast<double>(buckets.starts.back()))};
    if (shown.span() > 0) chart_->setSpan(shown, full);
}

void ProcessesView::askForSpan(const std::optional<AxisRange>& span) {
    // The chart of the whole file shows it whole already; the plot's zoom is its own then.
    if (!span && !followsPlot()) return;
    // Zooming the chart of the whole file starts following the plot: the chart and the plot
    // then show the span zoomed to, rather than the chart ignoring the wheel.
    if (span && !followsPlot()) follow_->setChecked(true);
    loggy_.setPlotSpan(span ? std::optional(TimeSpan{span->min, span->max}) : std::nullopt);
}

void ProcessesView::fitColumns() {
    table_->resizeColumnsToContents();
    // One very long name must not push every figure out of sight; its tip shows it whole.
    const int widest = table_->fontMetrics().averageCharWidth() * kNameChars;
    if (table_->columnWidth(ProcessTableModel::Name) > widest)
        table_->setColumnWidth(ProcessTableModel::Name, widest);
}

void ProcessesView::showCount() {
    if (shown_.table != wanted_.table) {
        count_->setText(QStringLiteral("Summing the processes\u2026"));
        return;
    }
    const QLocale locale;
    const int all = model_->processCount();
    QString text = locale.toString(all);
    if (!filter_->text().isEmpty())
        text = locale.toString(model_->rowCount()) + QStringLiteral(" of ") + text;
    text += all == 1 ? QStringLiteral(" process") : QStringLiteral(" processes");
    if (shown_.span)
        text += QStringLiteral(" from ") + instantText(shown_.span->from) + QStringLiteral(" to ") +
                instantText(shown_.span->to);
    if (all > 0) text += QStringLiteral(" \u2014 double-click one to list its records");
    count_->setText(text);
}

void ProcessesView::showInList() {
    const QModelIndex current = table_->currentIndex();
    if (current.isValid()) showInList_(model_->processName(current.row()));
}

}  // namespace quill::ui
