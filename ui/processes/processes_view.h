#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "analysis/process_totals.h"
#include "analysis/quillstat.h"

class QLabel;
class QLineEdit;
class QTableView;
template <typename T>
class QFutureWatcher;

namespace quill::ui {

class ModelObserver;
class ProcessTableModel;

/// The Processes window's content: one row per process of the loaded file, with what it wrote
/// in all, at its peak and by category, sortable by any column and filtered by name. The sums
/// of a long file take a while, so they are made on a worker thread; a double-click on a row
/// shows that process's records in the main list.
class ProcessesView final : public QWidget {
    Q_OBJECT
public:
    /// `showInList` filters the main list to the records listing the process named.
    ProcessesView(Quillstat& loggy, std::function<void(const QString&)> showInList,
                  QWidget* parent = nullptr);
    ~ProcessesView() override;

private:
    /// The sums of one table, with the table they belong to.
    struct Summed {
        std::shared_ptr<const StatTable> table;
        std::vector<ProcessTotal> totals;
    };

    QWidget* makeFilterRow();
    void makeTable();
    void draw();
    void takeSums();
    void fitColumns();
    void showCount();
    void showInList();

    Quillstat& loggy_;
    std::function<void(const QString&)> showInList_;
    ProcessTableModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QLabel* count_ = nullptr;
    ModelObserver* observer_ = nullptr;
    QFutureWatcher<Summed>* sums_ = nullptr;
    /// The table whose sums are wanted: the one the main list shows.
    std::shared_ptr<const StatTable> wanted_;
    bool summing_ = false;
};

}  // namespace quill::ui
