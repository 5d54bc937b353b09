#pragma once

#include <QAbstractListModel>
#include <memory>
#include <optional>
#include <string>

#include "analysis/derivation.h"
#include "analysis/list_filter.h"
#include "analysis/quillstat.h"
#include "analysis/time_span.h"

namespace quill::ui {

/// The model's `statList` as a Qt list model, one row per line, or per line that matches the
/// filter while one is set. It keeps the table it took at its last `refresh()`, so views never
/// see the list change under them between a load and the redraw that follows, and formats a
/// row's texts only when a view asks for them.
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
    /// subscribes. A list that only grew (a followed file) keeps its rows: the new lines that
    /// pass the filters are inserted after them, and `grew` follows.
    void refresh();
    /// Characters of the longest duration text of the list, " s" included: the rows keep
    /// their columns in line however long one interval is.
    int durationChars() const { return durationChars_; }
    /// Shows only the lines whose texts contain `needle` (see `ListSearchIndex`), or every
    /// line for an empty needle. A needle that extends the last one narrows the rows shown.
    void setFilter(const std::string& needle);
    /// Makes the list searchable now (a fraction of a second at a million lines), so that
    /// the keystrokes that follow cost only the search. `setFilter` does it when needed.
    void prepareFilter();
    bool filterPrepared() const { return indexed_; }
    /// Frees what `prepareFilter` made, while no filter is set.
    void releaseFilterIndex();
    /// Offers what `prepareFilter` would make of `table`, made elsewhere: the next `refresh()`
    /// takes it if it takes that table, and so makes no search of its own.
    void offerFilterIndex(std::shared_ptr<const StatTable> table,
                          std::shared_ptr<ListSearchIndex> index);
    const std::string& filter() const { return needle_; }
    /// Shows only the lines whose records list the process `name` (its whole name), besides
    /// the text filter; every line again for nothing. Kept by name across loads.
    void setProcessFilter(std::optional<std::string> name);
    const std::optional<std::string>& processFilter() const { return process_; }
    /// Shows only the lines whose time lies within `window`, besides the other filters; every
    /// line again for nothing. Kept across loads, like the process filter.
    void setTimeWindow(std::optional<TimeWindow> window);
    const std::optional<TimeWindow>& timeWindow() const { return window_; }
    bool isFiltered() const {
        return !needle_.empty() || process_.has_value() || window_.has_value();
    }
    /// The list's indices of the rows shown while filtered; nullptr when every line shows.
    const RowIndices* filteredRows() const { return isFiltered() ? &shown_ : nullptr; }
    /// Lines in the list at the last refresh, shown or not.
    int totalRows() const { return total_; }
    /// The lines of the last refresh: those the rows show.
    const StatTable& table() const { return *table_; }

    /// The id of the line in `row`, or nothing when the list has no such row.
    std::optional<Uuid> lineId(int row) const;
    /// The line in `row`, with its texts and record, or nothing when the list has no such row.
    std::optional<StatLine> line(int row) const;
    /// The row that shows the line with this id, or -1 when none does.
    int rowOf(const Uuid& id) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

Q_SIGNALS:
    /// The list took in added lines, shown or not: the count of lines changed.
    void grew();

private:
    /// Takes in `next`, which extends the table shown, with only its new lines looked at.
    void grow(std::shared_ptr<const StatTable> next);
    /// The lines from `from` on that pass the filters, noting them in the restrictions' rows.
    RowIndices admit(std::size_t from, std::size_t to);
    /// Whether line `i` lists the process filtered by.
    bool listsProcess(std::size_t i) const;
    /// The width of the longest duration text among the lines from `from` on.
    int widestDuration(std::size_t from = 0) const;
    /// The table's index of the line shown in `row`, or nothing when no row has that number.
    std::optional<std::size_t> indexOf(int row) const;
    void filterNow(const std::string& previous);
    void findProcessRows();
    void findWindowRows();
    /// Filters anew after one of the restrictions changed.
    void restrict();

    const Quillstat& model_;
    std::shared_ptr<const StatTable> table_;
    mutable LineTexts texts_;
    int total_ = 0;
    int durationChars_ = 0;
    std::string needle_;
    RowIndices shown_;  ///< while filtered, at most `total_` rows
    std::optional<std::string> process_;
    RowIndices processRows_;                    ///< the lines listing `process_`
    std::optional<StringTable::Id> processId_;  ///< `process_` in the table's strings, once there
    std::optional<TimeWindow> window_;
    RowIndices windowRows_;  ///< the lines within `window_`
    /// The lines of the last refresh, made searchable when a filter first needs them.
    ListSearchIndex index_;
    bool indexed_ = false;
    std::shared_ptr<const StatTable> offeredTable_;
    std::shared_ptr<ListSearchIndex> offeredIndex_;
};

}  // namespace quill::ui
