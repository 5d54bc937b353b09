#pragma once

#include <QMainWindow>
#include <memory>
#include <optional>

#include "analysis/quillstat.h"
#include "records/uuid.h"
#include "ui/main_window/list_export.h"
#include "ui/model_observer.h"
#include "ui/open_file/file_chooser.h"
#include "ui/window_names.h"

class QAction;
class QListView;
class QToolBar;

namespace quill::ui {

class FileHistory;
class ListFilterBar;
class StatListModel;

/// The main window: the title names the loaded file, the list shows every line, and the
/// toolbar reads a file, charts the selected line and opens the plot.
class ContentView final : public QMainWindow {
    Q_OBJECT
public:
    ContentView(Quillstat& loggy, WindowOpener& openWindow, FileChooser& chooser,
                QWidget* parent = nullptr);
    ~ContentView() override;

    /// The id of the selected line, if a line is selected.
    std::optional<Uuid> selection() const { return selection_; }

    QAction* readAction() const { return read_; }
    QAction* chartAction() const { return chart_; }
    QAction* plotAction() const { return plot_; }
    QAction* helpAction() const { return help_; }
    QListView* list() const { return list_; }
    QToolBar* toolbar() const { return toolbar_; }
    StatListModel* listModel() const { return listModel_; }
    ModelObserver* observer() const { return observer_; }
    FileHistory* history() const { return history_; }
    ListFilterBar* filterBar() const { return filterBar_; }
    QAction* exportListAction() const { return exportList_; }
    /// Replaces the dialog that asks where to export the list (for tests).
    void setSaveChooser(std::unique_ptr<SaveChooser> chooser);

    /// Charts the selected line: opens the chart window, then hands the line to the model.
    void chartSelection();
    /// Loads `path` as if it had been chosen in the open dialog (a file opened from the
    /// desktop, dropped on the window, picked from Open Recent or reloaded).
    void openFile(const QString& path);

private:
    void draw();
    void makeActions();
    void makeToolbar();
    void makeMenus();
    void showToolbarMenu(const QPoint& position);
    void reportLoad(const LoadOutcome& outcome, const QString& fileName);
    /// Every load goes through here, so that each is reported and remembered alike.
    void load(int response, std::optional<FileLocation> location);
    // The filter and the export of the list.
    void makeListTools();
    void exportList();
    void writeExport(const QString& path);
    void showRecordCount();
    void followListReset();

    Quillstat& loggy_;
    WindowOpener& openWindow_;
    FileChooser& chooser_;
    std::optional<Uuid> selection_;
    StatListModel* listModel_ = nullptr;
    QListView* list_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QAction* read_ = nullptr;
    QAction* chart_ = nullptr;
    QAction* plot_ = nullptr;
    QAction* help_ = nullptr;
    ModelObserver* observer_ = nullptr;
    FileHistory* history_ = nullptr;
    ListFilterBar* filterBar_ = nullptr;
    QAction* exportList_ = nullptr;
    std::unique_ptr<SaveChooser> saveChooser_;
    bool countAfterDraw_ = false;  ///< a load to report once the list shows it
};

/// An icon from the desktop's theme, or the bundled one where the theme has none.
QIcon themedIcon(const QString& name);

}  // namespace quill::ui
