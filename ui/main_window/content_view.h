#pragma once

#include <QMainWindow>
#include <memory>
#include <optional>

#include "analysis/quillstat.h"
#include "analysis/stat_follow.h"
#include "records/uuid.h"
#include "ui/main_window/list_export.h"
#include "ui/model_observer.h"
#include "ui/open_file/file_chooser.h"
#include "ui/window_names.h"

class QAction;
class QLabel;
class QProgressBar;
class QTimer;
class QToolBar;

namespace quill::ui {

class FileFollowWatcher;
class FileHistory;
class ListFilterBar;
class StatFileLoader;
class StatListModel;
class StatListView;
struct ToolbarItem;

/// The main window: the title names the loaded file, the list shows every line, and the
/// toolbar reads a file, charts the selected line and opens the plot.
class ContentView final : public QMainWindow {
    Q_OBJECT
public:
    ContentView(Quillstat& loggy, WindowOpener& openWindow, FileChooser& chooser,
                QWidget* parent = nullptr);
    ~ContentView() override;

    /// Replaces the dialog that asks where to export the list (for tests).
    void setSaveChooser(std::unique_ptr<SaveChooser> chooser);

    /// Charts the selected line: opens the chart window, then hands the line to the model.
    void chartSelection();
    /// Loads `path` as if it had been chosen in the open dialog (a file opened from the
    /// desktop, dropped on the window, picked from Open Recent or reloaded). The file is read
    /// in the background; the window shows the previous one until the new one is read whole.
    void openFile(const QString& path);
    /// Shows only the lines whose records list the process `name`, as the Processes window
    /// asks: the filter bar names it, and its button or Escape shows every line again.
    void filterByProcess(const QString& name);
    /// Shows only the lines whose time lies within `window`, as the plot window asks: the
    /// filter bar shows the span, and its button, Escape, or the plot showing the whole file
    /// again shows every line again.
    void filterBySpan(TimeWindow window);

private:
    void draw();
    void makeActions();
    void makeToolbar();
    void makeMenus();
    void showToolbarMenu(const QPoint& position);
    /// The toolbar's items as it shows them now.
    QList<ToolbarItem> toolbarItems() const;
    /// Orders the toolbar's items and shows or hides each as `items` says.
    void arrangeToolbar(const QList<ToolbarItem>& items);
    void customizeToolbar();
    void reportLoad(const LoadOutcome& outcome, const QString& fileName);
    // Loads in the background, with their progress in the status bar.
    void makeLoadIndicator();
    void finishLoad(const StatLoad& load, const QString& path,
                    const std::shared_ptr<ListSearchIndex>& search);
    void cancelLoad();
    void showLoading(bool loading);
    void showProgress();
    // The filter and the export of the list.
    void makeListTools();
    void exportList();
    void writeExport(const QString& path);
    void showRecordCount();
    void followListReset();
    /// Lets go of the list's span once the plot shows the whole file again, or another one.
    void followPlotSpan();
    // View > Follow File: the file shown is read again as it grows.
    void makeFollow();
    void setFollowing(bool on);
    /// Follows the file that `follower` took up, or none for nullptr.
    void watch(std::shared_ptr<StatFollower> follower);
    void takeStep(const FollowStep& step);
    void takeGrowth(const FollowStep& step);
    /// Reads the followed file again from its start, telling the user why.
    void reloadFollowed(FollowChange change);
    /// After a followed file could not be read: reads it once it is there again.
    void awaitFollowed();
    /// Notes, before the list takes in lines, whether it shows its end, to go on showing it.
    void noteListEnd();
    void keepListEnd();

    Quillstat& loggy_;
    WindowOpener& openWindow_;
    FileChooser& chooser_;
    std::optional<Uuid> selection_;
    StatListModel* listModel_ = nullptr;
    StatListView* list_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QAction* read_ = nullptr;
    QAction* chart_ = nullptr;
    QAction* plot_ = nullptr;
    QAction* help_ = nullptr;
    QAction* about_ = nullptr;
    QAction* customizeToolbar_ = nullptr;
    ModelObserver* observer_ = nullptr;
    FileHistory* history_ = nullptr;
    ListFilterBar* filterBar_ = nullptr;
    QAction* exportList_ = nullptr;
    std::unique_ptr<SaveChooser> saveChooser_;
    QLabel* recordCount_ = nullptr;
    StatFileLoader* loader_ = nullptr;
    QWidget* loadIndicator_ = nullptr;
    QLabel* loadLabel_ = nullptr;
    QProgressBar* loadProgress_ = nullptr;
    QTimer* progressTimer_ = nullptr;
    QAction* cancelLoad_ = nullptr;
    QAction* follow_ = nullptr;
    FileFollowWatcher* watcher_ = nullptr;
    QTimer* followRetry_ = nullptr;
    QLabel* followLabel_ = nullptr;
    /// Why the followed file is being read again, said again once it is read.
    QString reloadReason_;
    bool vanished_ = false;
    bool showsEnd_ = false;
};

/// An icon from the desktop's theme, or the bundled one where the theme has none.
QIcon themedIcon(const QString& name);

}  // namespace quill::ui
