#pragma once

#include <QListView>
#include <QStandardPaths>
#include <QtTest>
#include <memory>

#include "tests/support.h"
#include "tests/ui/common/fake_chooser.h"
#include "ui/main_window/content_view.h"
#include "ui/main_window/recent_files.h"
#include "ui/quillometer_app.h"

namespace quill::test {

/// The part of `window` of that type and object name (any name when none is given), as a
/// person would find it on screen: the tests need no accessors of their own.
template <typename T>
T& part(const QObject& window, const char* name = nullptr) {
    T* found = name ? window.findChild<T*>(QString::fromLatin1(name)) : window.findChild<T*>();
    if (!found) qFatal("no %s named %s", T::staticMetaObject.className(), name ? name : "");
    return *found;
}

/// Opens no window: the main window's own behaviour is under test.
class NoWindows final : public ui::WindowOpener {
public:
    void openWindow(ui::WindowId) override {}
};

/// A shown main window over a fresh model, with a temporary directory for its files and an
/// empty list of recent files kept away from the user's own settings.
struct MainWindowFixture {
    MainWindowFixture() {
        QStandardPaths::setTestModeEnabled(true);
        ui::nameProgram();
        ui::RecentFiles().clear();
        window = std::make_unique<ui::ContentView>(model, opener, chooser);
        window->show();
    }
    ~MainWindowFixture() {
        window.reset();
        ui::RecentFiles().clear();
    }

    /// Loads `path` as a person would, and waits for the list to show it.
    void open(const std::string& path) {
        window->openFile(QString::fromStdString(path));
        QTRY_COMPARE(model.fileName(), std::string(lastPathComponent(path)));
        QTRY_VERIFY(!part<ui::ModelObserver>(*window).drawPending());
    }
    int rows() const { return part<QListView>(*window, "statList").model()->rowCount(); }

    Quillstat model;
    NoWindows opener;
    FakeChooser chooser;
    TempDir dir;
    std::unique_ptr<ui::ContentView> window;
};

/// `count` Persist lines a minute apart.
inline std::string persistLines(int count, long long first = 1000) {
    std::string bytes;
    for (int i = 0; i < count; ++i) bytes += statLine(first + 60 * i, 1024, "Persist/a") + "\n";
    return bytes;
}

}  // namespace quill::test
