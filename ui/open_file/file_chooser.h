#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>

namespace quill::ui {

/// The open panel's result code for a confirmed choice; anything else is a cancel.
inline constexpr int kResponseOK = 1;

/// Where the open panel's choice lives: a local file path, or a location that is not a local
/// file (which is not opened: a load reads paths only).
struct FileLocation {
    std::string path;
    bool isLocalFile = true;

    static FileLocation local(std::string path) { return {std::move(path), true}; }
    static FileLocation remote(std::string url) { return {std::move(url), false}; }
};

/// What the open panel reports when it closes: its result code (kResponseOK when confirmed)
/// and the chosen location, if any.
using ChooseCompletion = std::function<void(int response, std::optional<FileLocation> location)>;

/// The local file to load for a panel's answer, or nothing for a cancel, no choice or a
/// location that is not a local file.
std::optional<std::string> chosenPath(int response, const std::optional<FileLocation>& location);

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
};

}  // namespace quill::ui
