#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "analysis/stat_load.h"
#include "ui/main_window/recent_files.h"

class QAction;
class QMenu;
class QWidget;

namespace quill::ui {

/// The File menu's memory of loads: Open Recent, which offers the files loaded last, and
/// Reload, which reads the current file again. Both hand a path to `open`, which loads it as
/// if it had been chosen in the open dialog.
class FileHistory final : public QObject {
    Q_OBJECT
public:
    using Open = std::function<void(const QString& path)>;

    FileHistory(QWidget* window, Open open);

    QMenu* recentMenu() const { return recent_; }
    QAction* reloadAction() const { return reload_; }
    /// The file that the last load read, or tried to read; empty before any.
    QString currentPath() const { return current_; }

    /// Tells the history that a load of `path` ended with `status`.
    void noteLoad(const QString& path, LoadStatus status);
    /// Builds the Open Recent menu again from the stored list; a file that is gone since it
    /// was loaded shows disabled.
    void fillRecentMenu();

Q_SIGNALS:
    /// Reload was chosen; the file is opened right after.
    void reloading();

private:
    RecentFiles files_;
    Open open_;
    QString current_;
    QMenu* recent_ = nullptr;
    QAction* reload_ = nullptr;
};

}  // namespace quill::ui
