#pragma once

#include <QAbstractListModel>

#include "analysis/quillstat.h"

namespace quill::ui {

/// The model's `statList` as a Qt list model, one row per line. The row count is the one of
/// the last `refresh()`, so views never see the list change under them between a load and
/// the redraw that follows it.
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

    /// Takes the current list; call it from the view's drawing, where the read subscribes.
    void refresh();
    /// The line of `row` in the current list, or nullptr when the list has no such row.
    const StatLine* line(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    const Quillstat& model_;
    int rows_ = 0;
};

}  // namespace quill::ui
