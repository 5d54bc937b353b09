#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "analysis/process_index.h"
#include "analysis/quillstat.h"
#include "ui/plot/plot_scale.h"

class QLabel;
class QLineEdit;
class QRadioButton;
class QTableView;
template <typename T>
class QFutureWatcher;

namespace quill::ui {

class ModelObserver;
class ProcessTableModel;
class StackChart;

/// The Processes window's content: one row per process, with what it wrote in all, at its peak
/// and by category, sortable by any column and filtered by name, and below them a chart of
/// what the top processes wrote over time. Both show the whole file, or follow the span of time
/// that the plot shows; zooming or panning the chart moves the plot's span. The sums of a long
/// file take a while, so an index of it is built, and every span summed, on a worker thread; a
/// double-click on a row shows that process's records in the main list.
class ProcessesView final : public QWidget {
    Q_OBJECT
public:
    /// `showInList` filters the main list to the records listing the process named.
    ProcessesView(Quillstat& loggy, std::function<void(const QString&)> showInList,
                  QWidget* parent = nullptr);
    ~ProcessesView() override;

    /// Whether the window follows the plot's span rather than showing the whole file.
    bool followsPlot() const;

private:
    /// What the window shows: a table's processes, over a span of it or all of it.
    struct Query {
        std::shared_ptr<const StatTable> table;
        std::optional<TimeSpan> span;
        friend bool operator==(const Query&, const Query&) = default;
    };
    /// The answer to a query, with the index that gave it, for the queries after it.
    struct Answer {
        Query query;
        std::shared_ptr<const ProcessIndex> index;
        std::vector<ProcessTotal> totals;
        ProcessBuckets buckets;
    };
    /// The sums `query` asks for; with `tableFirst`, where `index` is not the table's, the
    /// table's totals alone.
    static Answer answer(Query query, std::shared_ptr<const ProcessIndex> index, bool tableFirst);

    QWidget* makeFilterRow();
    QWidget* makeSpanSwitch();
    void makeTable();
    void makeChart();
    void draw();
    void ask();
    void takeAnswer();
    void showAnswer(Answer answer);
    /// Whether the table wanted is the one shown with lines appended, over the same span.
    bool wantsGrowth() const;
    /// Sums the lines appended alone into the totals shown; the chart follows with the index.
    void showGrowth();
    void showTotals(std::shared_ptr<const StatTable> table, std::vector<ProcessTotal> totals,
                    bool newTable);
    /// The whole file's span, for the index at hand.
    AxisRange fullSpan() const;
    void showSpan();
    void askForSpan(const std::optional<AxisRange>& span);
    void fitColumns();
    void showCount();
    void showInList();

    Quillstat& loggy_;
    std::function<void(const QString&)> showInList_;
    ProcessTableModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QLabel* count_ = nullptr;
    QRadioButton* follow_ = nullptr;
    StackChart* chart_ = nullptr;
    ModelObserver* observer_ = nullptr;
    QFutureWatcher<Answer>* answers_ = nullptr;
    /// What the window is to show: the table the main list shows, over the plot's span or not.
    Query wanted_;
    /// What the table and chart show now.
    Query shown_;
    /// The index of the wanted table, once built.
    std::shared_ptr<const ProcessIndex> index_;
    /// A query is being answered; one at a time, the latest wanted next.
    bool asking_ = false;
};

}  // namespace quill::ui
