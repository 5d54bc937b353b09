#pragma once

#include <QAbstractTableModel>
#include <memory>
#include <string>
#include <vector>

#include "analysis/date_format.h"
#include "analysis/process_totals.h"

namespace quill::ui {

/// One row per process of a table's totals, as the Processes window shows them: sizes in KB
/// (bytes / 1024, toward zero, as everywhere), its share of all bytes, its records, its peak
/// and the times it was first and last seen. Sorts on the exact figures, not on their texts,
/// ties by name; filters by a part of the name, as the main list's filter compares.
class ProcessTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Name,
        TotalKb,
        Share,
        Records,
        PeakKb,
        PeakTime,
        FirstSeen,
        LastSeen,
        PersistKb,
        SpecialKb,
        OtherKb,
        ColumnCount
    };

    explicit ProcessTableModel(QObject* parent = nullptr);

    /// Shows `totals`, the processes of `table`, in the order and under the filter set.
    void setTotals(std::shared_ptr<const StatTable> table, std::vector<ProcessTotal> totals);
    /// Shows only the processes whose names contain `needle`, ASCII letters in either case;
    /// every one for an empty needle.
    void setNameFilter(const QString& needle);
    /// Every process of the table, shown or not, in no order.
    const std::vector<ProcessTotal>& totals() const { return totals_; }
    /// Processes of the table, shown or not.
    int processCount() const { return static_cast<int>(totals_.size()); }
    /// The whole name of the process in `row`.
    QString processName(int row) const;
    /// The name id of the process in `row`, and the row that shows the process `id`: the
    /// row a selection moves to when new totals of the same table come, or -1.
    StringTable::Id processId(int row) const;
    int rowOf(StringTable::Id id) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

private:
    std::string_view nameOf(const ProcessTotal& total) const;
    bool before(const ProcessTotal& a, const ProcessTotal& b) const;
    /// The rows shown: those the filter lets through, sorted.
    void arrange();
    QString text(const ProcessTotal& total, int column) const;
    QString timeText(std::int64_t time) const;
    QString shareText(const Int128& bytes) const;

    std::shared_ptr<const StatTable> table_;
    std::vector<ProcessTotal> totals_;
    Int128 allBytes_ = 0;
    std::vector<std::uint32_t> rows_;  ///< indices into totals_, in the order shown
    std::string needle_;               ///< folded as the main list's filter folds it
    int sortColumn_ = TotalKb;
    Qt::SortOrder order_ = Qt::DescendingOrder;
    mutable DateFormatter dates_;
};

}  // namespace quill::ui
