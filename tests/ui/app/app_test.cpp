#include <QAction>
#include <QApplication>
#include <QListView>
#include <QSlider>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

#include "tests/ui/common/screenshot.h"
#include "tests/ui/main_window/main_window_fixture.h"
#include "ui/model_observer.h"

// Qt's platform layer: what the xcb and Wayland plugins make of a window's title before the
// window system gets it. The offscreen platform keeps no title, so the tests ask Qt directly.
class QPlatformWindow {
public:
    static QString formatWindowTitle(const QString& title, const QString& separator);
};

using namespace quill;
using ui::WindowId;

namespace {

/// The window's title as the window system shows it.
QString shownTitle(const QWidget* window) {
    if (!window->windowHandle())
        qFatal("%s has no native window", qPrintable(window->objectName()));
    return QPlatformWindow::formatWindowTitle(window->windowHandle()->title(),
                                              QStringLiteral(" \u2014 "));
}

QStringList visibleWindows() {
    QStringList ids;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->objectName().isEmpty()) ids << w->objectName();
    ids.sort();
    return ids;
}

std::string sampleBytes() {
    const std::vector<test::Proc> procs{
        {"/usr/libexec/logd", 3 << 20}, {"kernel_task", 1 << 20}, {"/usr/sbin/bluetoothd", 5000}};
    return test::statLine(1717488428, 8932365, "/db/Persist/0001.tracev3", procs) + "\n" +
           test::statLine(1717488801, 4080913, "/db/Special/0001.tracev3", procs) + "\n" +
           test::statLine(1717489290, 7003400, "/db/Persist/0002.tracev3", procs) + "\n";
}

}  // namespace

class AppTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        // Loads are remembered in the settings: keep them out of the user's.
        QStandardPaths::setTestModeEnabled(true);
        ui::nameApplication();
    }
    void init() {
        auto fake = std::make_unique<test::FakeChooser>();
        chooser = fake.get();
        app = std::make_unique<ui::QuillometerApp>(std::move(fake));
        app->start();
        dir = std::make_unique<test::TempDir>();
        // Shortcuts reach the active window only.
        QVERIFY(QTest::qWaitForWindowActive(app->window(WindowId::Main)));
    }

    void cleanup() {
        app.reset();
        dir.reset();
    }

    void unreadableFileIsReported() {
        // A FIFO without a writer would block a plain open() for good.
        for (const std::string& path :
             {(dir->path() / "gone.jsonl").string(), test::makeFifo(*dir, "pipe.jsonl")}) {
            const test::Watchdog watchdog;
            const QString name = QString::fromStdString(std::string(lastPathComponent(path)));
            QTest::keyClick(&main(), Qt::Key_O, Qt::ControlModifier);
            QCOMPARE(chooser->pending.size(), std::size_t{1});
            chooser->answer(ui::kResponseOK, ui::FileLocation::local(path));
            QTRY_COMPARE(main().windowTitle(), "Quillometer: " + name);
            QVERIFY(
                main().statusBar()->currentMessage().startsWith("Could not read \u201c" + name));
        }
    }

    void chartWithoutSelectionOpensNothing_data() {
        QTest::addColumn<QList<Qt::KeyboardModifiers>>("clicks");  // on the second row, in order
        QTest::addColumn<bool>("reload");                          // then another file loaded
        QTest::newRow("nothing selected") << QList<Qt::KeyboardModifiers>{} << false;
        // The row stays current, but the list shows no selection.
        QTest::newRow("row deselected with Ctrl+click")
            << QList<Qt::KeyboardModifiers>{Qt::NoModifier, Qt::ControlModifier} << false;
        QTest::newRow("row of the file before")
            << QList<Qt::KeyboardModifiers>{Qt::NoModifier} << true;
    }

    void chartWithoutSelectionOpensNothing() {
        QFETCH(QList<Qt::KeyboardModifiers>, clicks);
        QFETCH(bool, reload);
        load(sampleBytes());
        QListView* list = statList();
        const QPoint row = list->visualRect(list->model()->index(1, 0)).center();
        for (Qt::KeyboardModifiers modifiers : clicks)
            QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, row);
        if (reload) load(sampleBytes(), "again.jsonl");
        QVERIFY(!list->selectionModel()->hasSelection());
        QTest::keyClick(&main(), Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(visibleWindows(), QStringList{"main"});
        QVERIFY(!app->loggy().selectedStat());
    }

    void chartOpensTheChartWindowForTheSelectedLine() {
        load(sampleBytes());
        test::saveScreenshot(main(), "main-window");
        select(1);
        QTest::keyClick(&main(), Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(visibleWindows(), (QStringList{"chart", "main"}));
        QVERIFY(app->loggy().selectedStat());
        QCOMPARE(app->loggy().selectedStat()->file.view(), "/db/Special/0001.tracev3");
        QTRY_COMPARE(shownTitle(app->window(WindowId::Chart)),
                     QStringLiteral("/db/Special/0001.tracev3"));
        // Charting another line brings the same window forward with the new record.
        QWidget* chart = app->window(WindowId::Chart);
        chart->findChild<QSlider*>("startSlider")->setValue(7);
        select(2);
        action("chart").trigger();
        QCOMPARE(app->window(WindowId::Chart), chart);
        QTRY_COMPARE(chart->windowTitle(), QStringLiteral("/db/Persist/0002.tracev3"));
        // Closed and opened again, the window starts afresh.
        chart->close();
        QTRY_VERIFY(!app->window(WindowId::Chart));
        QCOMPARE(visibleWindows(), QStringList{"main"});
        action("chart").trigger();
        QCOMPARE(app->window(WindowId::Chart)->findChild<QSlider*>("startSlider")->value(), 1);
    }

    void launchShowsTheMainWindowAndPlotOpensBeforeAnyLoad() {
        QCOMPARE(visibleWindows(), QStringList{"main"});
        QCOMPARE(shownTitle(&main()), QStringLiteral("Quillometer: "));
        action("plot").trigger();
        QCOMPARE(visibleWindows(), (QStringList{"main", "plot"}));
        QTRY_COMPARE(shownTitle(app->window(WindowId::Plot)), QStringLiteral("Log data: "));
        load(sampleBytes());
        QTRY_COMPARE(shownTitle(app->window(WindowId::Plot)),
                     QStringLiteral("Log data: day.jsonl"));
    }

    void helpTwiceKeepsOneWindow() {
        action("help").trigger();
        QWidget* help = app->window(WindowId::Help);
        QVERIFY(help);
        QCOMPARE(shownTitle(help), QStringLiteral("Help Window"));
        action("help").trigger();
        QCOMPARE(app->window(WindowId::Help), help);
        QCOMPARE(visibleWindows(), (QStringList{"help", "main"}));
    }

    void toolbarItemHiddenKeepsItsShortcut() {
        const QList<QAction*> items = test::part<QToolBar>(main(), "ContentView.toolbar").actions();
        QCOMPARE(items.size(), 3);
        items[0]->setVisible(false);
        QTest::keyClick(&main(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(chooser->pending.size(), std::size_t{1});
    }

    void aLoadCostsTheMainWindowOneRedraw() {
        std::string bytes;
        for (int i = 0; i < 5000; ++i) bytes += test::statLine(1000 + i, i, "Persist/x") + "\n";
        const int before = test::part<ui::ModelObserver>(main()).drawCount();
        load(bytes);
        QTest::qWait(20);
        QCOMPARE(test::part<ui::ModelObserver>(main()).drawCount(), before + 1);
        QCOMPARE(statList()->model()->rowCount(), 5000);
    }

private:
    ui::ContentView& main() { return *qobject_cast<ui::ContentView*>(app->window(WindowId::Main)); }
    void load(const std::string& bytes, const std::string& name = "day.jsonl") {
        main().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main()));
        QTest::keyClick(&main(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(chooser->pending.size(), std::size_t{1});
        chooser->answer(ui::kResponseOK, ui::FileLocation::local(dir->write(name, bytes)));
        QTRY_COMPARE(shownTitle(&main()), QString::fromStdString("Quillometer: " + name));
    }

    QListView* statList() { return &test::part<QListView>(main(), "statList"); }
    QAction& action(const char* name) { return test::part<QAction>(main(), name); }

    void select(int row) {
        QListView* list = statList();
        list->setCurrentIndex(list->model()->index(row, 0));
    }

    std::unique_ptr<ui::QuillometerApp> app;
    test::FakeChooser* chooser = nullptr;
    std::unique_ptr<test::TempDir> dir;
};

QTEST_MAIN(AppTest)
#include "app_test.moc"
