#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "analysis/quillstat.h"
#include "ui/open_file/file_chooser.h"
#include "ui/window_names.h"

namespace quill::ui {

/// Names the program: its name, version and the organization under which its settings are
/// kept. Needs only a QCoreApplication, so the command line can be answered without a display.
void nameProgram();
/// Names the program (as nameProgram) and presents it to the desktop: its desktop entry and
/// its icon. Call once, after the QApplication exists and before any window opens.
void nameApplication();

/// The application: owns the one model, made before any window, and the single windows.
/// Opening a window that is open raises it with its state; opening a closed one makes fresh
/// content; closing a window destroys only its content.
class QuillometerApp final : public QObject, public WindowOpener {
    Q_OBJECT
public:
    /// `chooser` stands in for the file dialog (tests); by default a real dialog is used.
    explicit QuillometerApp(std::unique_ptr<FileChooser> chooser = nullptr);
    ~QuillometerApp() override;

    Quillstat& loggy() { return loggy_; }
    FileChooser& chooser() { return *chooser_; }

    /// Shows the main window, the only one open at launch.
    void start();
    void openWindow(WindowId id) override;
    /// The open window of that id, or nullptr.
    QWidget* window(WindowId id) const { return windows_[index(id)]; }

private:
    static std::size_t index(WindowId id) { return static_cast<std::size_t>(id); }
    QWidget* makeContent(WindowId id);

    Quillstat loggy_;  // first member: made before, and destroyed after, every window
    std::unique_ptr<FileChooser> chooser_;
    std::array<QPointer<QWidget>, kAllWindows.size()> windows_;
};

}  // namespace quill::ui
