#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

#include "analysis/loader.h"

namespace quill::ui {

/// What the open panel reports when it closes: its result code (kResponseOK when confirmed)
/// and the chosen location, if any.
using ChooseCompletion = std::function<void(int response, std::optional<FileLocation> location)>;

/// Lets the user choose one statistics file without blocking the interface. A seam: tests
/// stand in for the dialog.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    /// Shows a chooser and returns at once; `done` runs once, when it closes.
    virtual void chooseStatFile(QWidget* parent, ChooseCompletion done) = 0;
};

/// A fresh modeless QFileDialog for each call: one existing *.jsonl file, no directories,
/// confirmed with "Open".
class DialogFileChooser final : public FileChooser {
public:
    void chooseStatFile(QWidget* parent, ChooseCompletion done) override;
    /// The dialog shown last, while it is open (for tests).
    QWidget* lastDialog() const { return last_; }

private:
    QPointer<QWidget> last_;
};

}  // namespace quill::ui
