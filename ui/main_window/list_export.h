#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "analysis/list_filter.h"
#include "analysis/stat_table.h"

class QWidget;

namespace quill::ui {

/// Lets the user choose where to save a file without blocking the interface. A seam: tests
/// stand in for the dialog.
class SaveChooser {
public:
    using Done = std::function<void(std::optional<QString> path)>;
    virtual ~SaveChooser() = default;
    /// Shows a chooser offering `suggestedName` and returns at once; `done` runs once, when it
    /// closes, with the chosen path, or nothing when cancelled.
    virtual void chooseCsvFile(QWidget* parent, const QString& suggestedName, Done done) = 0;
};

/// A fresh modeless save dialog for each call, for *.csv files, asking before it overwrites.
class DialogSaveChooser final : public SaveChooser {
public:
    void chooseCsvFile(QWidget* parent, const QString& suggestedName, Done done) override;
};

/// The name offered for the export of the list loaded from `fileName`: its stem with ".csv",
/// or "list.csv" while nothing is loaded.
QString csvNameFor(const QString& fileName);

/// Writes `lines` (only `rows`, when given) to `path` as CSV. The file appears whole or not
/// at all: it is written beside the target and renamed over it at the end, so a failure
/// leaves any earlier file at `path` untouched. Returns the reason of a failure, or nothing.
std::optional<QString> saveListCsv(const QString& path, const StatTable& lines,
                                   const RowIndices* rows);

}  // namespace quill::ui
