#pragma once

#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
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

/// One row of a data-driven test. A function rather than a chain of `<<`, which the formatter
/// would break after every string.
template <typename... T>
void row(const char* name, const T&... values) {
    (QTest::newRow(name) << ... << values);
}

/// Opens no window: the main window's own behaviour is under test.
class NoWindows final : public ui::WindowOpener {
public:
    void openWindow(ui::WindowId) override {}
};

/// A shown, active main window over a fresh model, with a temporary directory for its files
/// and an empty list of recent files kept away from the user's own settings.
struct MainWindowFixture {
    MainWindowFixture() {
        QStandardPaths::setTestModeEnabled(true);
        ui::nameProgram();
        ui::RecentFiles().clear();
        QSettings().remove("toolbar");
        window = std::make_unique<ui::ContentView>(model, opener, chooser);
        window->show();
        // Shortcuts reach the active window only.
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    ~MainWindowFixture() {
        window.reset();
        ui::RecentFiles().clear();
        QSettings().remove("toolbar");
    }

    /// Loads `path` as a person would, and waits for the list to show it: long, for a long
    /// list under the sanitizers.
    void open(const std::string& path) {
        window->openFile(QString::fromStdString(path));
        QTRY_COMPARE_WITH_TIMEOUT(model.fileName(), std::string(lastPathComponent(path)), 20000);
        QTRY_VERIFY(!part<ui::ModelObserver>(*window).drawPending());
    }
    void load(const std::string& bytes, const std::string& name = "day.jsonl") {
        open(dir.write(name, bytes));
    }
    /// Filters as a person does: Ctrl+F unless the field is open, the text, then Return.
    void filter(const QString& text) {
        if (!field().isVisible()) QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
        field().setText(text);
        QTest::keyClick(&field(), Qt::Key_Return);
    }
    void select(int row) { list().setCurrentIndex(list().model()->index(row, 0)); }

    QAbstractItemView& list() const { return part<QAbstractItemView>(*window, "statList"); }
    QLineEdit& field() const { return part<QLineEdit>(*window, "listFilter"); }
    int rows() const { return list().model()->rowCount(); }
    QString status() const { return window->statusBar()->currentMessage(); }
    QString count() const { return part<QLabel>(*window, "recordCount").text(); }

    Quillstat model;
    NoWindows opener;
    FakeChooser chooser;
    TempDir dir;
    std::unique_ptr<ui::ContentView> window;
};

/// Four lines of two categories, the first three with their processes; the last has a file
/// name that CSV must quote.
inline std::string sampleBytes() {
    const std::vector<Proc> procs{
        {"/usr/libexec/logd", 3 << 20}, {"kernel_task", 1 << 20}, {"/usr/sbin/bluetoothd", 5000}};
    return statLine(1717488428, 8932365, "/db/Persist/0001.tracev3", procs) + "\n" +
           statLine(1717488801, 4080913, "/db/Special/0001.tracev3", procs) + "\n" +
           statLine(1717489290, 7003400, "/db/Persist/0002.tracev3", procs) + "\n" +
           statLine(1717489300, 1500, R"(/db/other, \"quoted\".log)") + "\n";
}

/// `count` Persist lines a minute apart.
inline std::string persistLines(int count, long long first = 1000) {
    std::string bytes;
    for (int i = 0; i < count; ++i) bytes += statLine(first + 60 * i, 1024, "Persist/a") + "\n";
    return bytes;
}

}  // namespace quill::test
