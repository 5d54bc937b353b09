#pragma once

#include <QAbstractListModel>
#include <string>

#include "analysis/list_filter.h"
#include "analysis/quillstat.h"

namespace quill::ui {

/// The model's `statList` as a Qt list model, one row per line, or per line that matches the
/// filter while one is set. The row count is the one of the last `refresh()` or `setFilter()`,
/// so views never see the list change under them between a load and the redraw that follows.
class StatListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        PrevDateRole = Qt::UserRole + 1,
        EntryDateRole,
        DurationRole,  ///< the duration followed by " s", as the row shows it
        SizeRole,
        RateRole,
        FileRole,
    };

    explicit StatListModel(const Quillstat& model, QObject* parent = nullptr);

    /// Takes the current list, filtered anew; call it from the view's drawing, where the read
    /// subscribes.
    void refresh();
    /// Shows only the lines whose texts contain `needle` (see `filterRows`), or every line
    /// for an empty needle. A needle that extends the last one narrows the rows shown.
    void setFilter(const std::string& needle);
    /// Makes the list searchable now (a fraction of a second at a million lines), so that
    /// the keystrokes that follow cost only the search. `setFilter` does it when needed.
    void prepareFilter();
    bool filterPrepared() const { return indexed_; }
    /// Frees what `prepareFilter` made, while no filter is set.
    void releaseFilterIndex();
    const std::string& filter() const { return needle_; }
    bool isFiltered() const { return !needle_.empty(); }
    /// The list's indices of the rows shown while filtered; nullptr when every line shows.
    const RowIndices* filteredRows() const { return isFiltered() ? &shown_ : nullptr; }
    /// Lines in the list at the last refresh, shown or not.
    int totalRows() const { return total_; }

    /// The line of `row` in the current list, or nullptr when the list has no such row.
    const StatLine* line(int row) const;
    /// The row that shows the line with this id, or -1 when none does.
    int rowOf(const Uuid& id) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    /// The list's index of the line shown in `row`; no bounds check.
    std::size_t indexOf(int row) const {
        return isFiltered() ? shown_[static_cast<std::size_t>(row)] : static_cast<std::size_t>(row);
    }
    void filterNow(const std::string& previous);

    const Quillstat& model_;
    int total_ = 0;
    std::string needle_;
    RowIndices shown_;  ///< while filtered, at most `total_` rows
    /// The lines of the last refresh, made searchable when a filter first needs them.
    ListSearchIndex index_;
    bool indexed_ = false;
};

}  // namespace quill::ui
