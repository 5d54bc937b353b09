#include <QAction>
#include <QApplication>
#include <QListView>
#include <QMenuBar>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

#include "tests/support.h"
#include "tests/ui/common/fake_chooser.h"
#include "tests/ui/common/screenshot.h"
#include "ui/main_window/content_view.h"
#include "ui/main_window/stat_list_model.h"
#include "ui/model_observer.h"
#include "ui/quillometer_app.h"

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
    void initTestCase() { ui::nameApplication(); }
    void init();
    void cleanup();
    void launchShowsOnlyTheMainWindow();
    void readLoadsTheChosenFile();
    void cancelChangesNothing();
    void unreadableFileIsReported();
    void chartWithoutSelectionOpensNothing_data();
    void chartWithoutSelectionOpensNothing();
    void chartOpensTheChartWindowForTheSelectedLine();
    void staleSelectionAfterAnotherLoadDoesNothing();
    void plotOpensBeforeAnyLoad();
    void helpTwiceKeepsOneWindow();
    void reopenedWindowStartsAfresh();
    void toolbarItemsCanBeHidden();
    void aLoadCostsTheMainWindowOneRedraw();
    void mainWindowScreenshot();

private:
    ui::ContentView& main() { return *qobject_cast<ui::ContentView*>(app->window(WindowId::Main)); }
    void load(const std::string& bytes, const std::string& name = "day.jsonl");
    void select(int row);

    std::unique_ptr<ui::QuillometerApp> app;
    test::FakeChooser* chooser = nullptr;
    std::unique_ptr<test::TempDir> dir;
};

void AppTest::init() {
    auto fake = std::make_unique<test::FakeChooser>();
    chooser = fake.get();
    app = std::make_unique<ui::QuillometerApp>(std::move(fake));
    app->start();
    dir = std::make_unique<test::TempDir>();
    // Shortcuts reach the active window only.
    QVERIFY(QTest::qWaitForWindowActive(app->window(WindowId::Main)));
}

void AppTest::cleanup() {
    app.reset();
    dir.reset();
}

void AppTest::load(const std::string& bytes, const std::string& name) {
    main().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main()));
    QTest::keyClick(&main(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(chooser->pending.size(), std::size_t{1});
    chooser->answer(kResponseOK, FileLocation::local(dir->write(name, bytes)));
    QTRY_COMPARE(shownTitle(&main()), QString::fromStdString("Quillometer: " + name));
}

void AppTest::select(int row) {
    QListView* list = main().list();
    list->setCurrentIndex(list->model()->index(row, 0));
}

void AppTest::launchShowsOnlyTheMainWindow() {
    QCOMPARE(visibleWindows(), QStringList{"main"});
    QCOMPARE(shownTitle(&main()), QStringLiteral("Quillometer: "));
    QCOMPARE(main().list()->model()->rowCount(), 0);
    const QList<QAction*> menus = main().menuBar()->actions();
    const auto help =
        std::find_if(menus.begin(), menus.end(), [](QAction* a) { return a->text() == "&Help"; });
    QVERIFY(help != menus.end());
    const QList<QAction*> items = (*help)->menu()->actions();
    QCOMPARE(items.size(), 1);
    QCOMPARE(items[0]->text(), QStringLiteral("Quillometer Help"));
}

void AppTest::readLoadsTheChosenFile() {
    load(sampleBytes());
    QCOMPARE(main().list()->model()->rowCount(), 3);
    QCOMPARE(app->loggy().statList().size(), std::size_t{3});
}

void AppTest::cancelChangesNothing() {
    load(sampleBytes());
    QTest::keyClick(&main(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(chooser->pending.size(), std::size_t{1});
    chooser->answer(0, std::nullopt);
    QTest::qWait(20);
    QCOMPARE(main().windowTitle(), QStringLiteral("Quillometer: day.jsonl"));
    QCOMPARE(main().list()->model()->rowCount(), 3);
}

void AppTest::unreadableFileIsReported() {
    // A FIFO without a writer would block a plain open() for good.
    for (const std::string& path :
         {(dir->path() / "gone.jsonl").string(), test::makeFifo(*dir, "pipe.jsonl")}) {
        const test::Watchdog watchdog;
        const QString name = QString::fromStdString(lastPathComponent(path));
        QTest::keyClick(&main(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(chooser->pending.size(), std::size_t{1});
        chooser->answer(kResponseOK, FileLocation::local(path));
        QTRY_COMPARE(main().windowTitle(), "Quillometer: " + name);
        QVERIFY(main().statusBar()->currentMessage().startsWith("Could not read \u201c" + name));
    }
}

void AppTest::chartWithoutSelectionOpensNothing_data() {
    QTest::addColumn<QList<Qt::KeyboardModifiers>>("clicks");  // on the second row, in order
    QTest::newRow("nothing selected") << QList<Qt::KeyboardModifiers>{};
    // The row stays current, but the list shows no selection.
    QTest::newRow("row deselected with Ctrl+click")
        << QList<Qt::KeyboardModifiers>{Qt::NoModifier, Qt::ControlModifier};
}

void AppTest::chartWithoutSelectionOpensNothing() {
    QFETCH(QList<Qt::KeyboardModifiers>, clicks);
    load(sampleBytes());
    QListView* list = main().list();
    const QPoint row = list->visualRect(list->model()->index(1, 0)).center();
    for (Qt::KeyboardModifiers modifiers : clicks)
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, row);
    QVERIFY(!list->selectionModel()->hasSelection());
    QTest::keyClick(&main(), Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(visibleWindows(), QStringList{"main"});
    QVERIFY(!app->loggy().selectedStat());
}

void AppTest::chartOpensTheChartWindowForTheSelectedLine() {
    load(sampleBytes());
    select(1);
    QTest::keyClick(&main(), Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(visibleWindows(), (QStringList{"chart", "main"}));
    QVERIFY(app->loggy().selectedStat());
    QCOMPARE(app->loggy().selectedStat()->file.view(), "/db/Special/0001.tracev3");
    QTRY_COMPARE(shownTitle(app->window(WindowId::Chart)),
                 QStringLiteral("/db/Special/0001.tracev3"));
    // Charting another line brings the same window forward with the new record.
    QWidget* chart = app->window(WindowId::Chart);
    select(2);
    main().chartAction()->trigger();
    QCOMPARE(app->window(WindowId::Chart), chart);
    QTRY_COMPARE(chart->windowTitle(), QStringLiteral("/db/Persist/0002.tracev3"));
}

void AppTest::staleSelectionAfterAnotherLoadDoesNothing() {
    load(sampleBytes());
    select(0);
    load(sampleBytes(), "again.jsonl");
    main().chartAction()->trigger();
    QCOMPARE(visibleWindows(), QStringList{"main"});
    QVERIFY(!app->loggy().selectedStat());
}

void AppTest::plotOpensBeforeAnyLoad() {
    main().plotAction()->trigger();
    QCOMPARE(visibleWindows(), (QStringList{"main", "plot"}));
    QTRY_COMPARE(shownTitle(app->window(WindowId::Plot)), QStringLiteral("Log data: "));
    load(sampleBytes());
    QTRY_COMPARE(shownTitle(app->window(WindowId::Plot)), QStringLiteral("Log data: day.jsonl"));
}

void AppTest::helpTwiceKeepsOneWindow() {
    main().helpAction()->trigger();
    QWidget* help = app->window(WindowId::Help);
    QVERIFY(help);
    QCOMPARE(shownTitle(help), QStringLiteral("Help Window"));
    main().helpAction()->trigger();
    QCOMPARE(app->window(WindowId::Help), help);
    int helpWindows = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) helpWindows += w->objectName() == "help";
    QCOMPARE(helpWindows, 1);
}

void AppTest::reopenedWindowStartsAfresh() {
    load(sampleBytes());
    select(0);
    main().chartAction()->trigger();
    auto* start = app->window(WindowId::Chart)->findChild<QSlider*>("startSlider");
    QVERIFY(start);
    start->setValue(7);
    app->window(WindowId::Chart)->close();
    QTRY_VERIFY(!app->window(WindowId::Chart));
    QCOMPARE(visibleWindows(), QStringList{"main"});
    select(2);
    main().chartAction()->trigger();
    start = app->window(WindowId::Chart)->findChild<QSlider*>("startSlider");
    QCOMPARE(start->value(), 1);
    QCOMPARE(app->window(WindowId::Chart)->findChild<QSlider*>("widthSlider")->value(), 12);
}

void AppTest::toolbarItemsCanBeHidden() {
    QToolBar* toolbar = main().toolbar();
    QCOMPARE(toolbar->objectName(), QStringLiteral("ContentView.toolbar"));
    const QList<QAction*> items = toolbar->actions();
    QCOMPARE(items.size(), 3);
    const QStringList ids{"readstats", "chart", "plot"};
    const QStringList titles{"Read JSONL", "Chart selection", "Plot all logs"};
    for (int i = 0; i < 3; ++i) QCOMPARE(items[i]->text(), titles[i]);
    QCOMPARE(main().readAction()->objectName(), ids[0]);
    QCOMPARE(main().readAction()->toolTip(), QStringLiteral("Read statistics from JSON Line file"));
    QCOMPARE(main().chartAction()->toolTip(),
             QStringLiteral("Chart entries for the first selected log file"));
    QCOMPARE(main().plotAction()->toolTip(), QStringLiteral("Plot summary data for all logs"));
    QCOMPARE(main().readAction()->shortcut(), QKeySequence("Ctrl+O"));
    QCOMPARE(main().chartAction()->shortcut(), QKeySequence("Ctrl+G"));
    QVERIFY(main().plotAction()->shortcut().isEmpty());
    // Hidden from the toolbar, the command keeps its shortcut.
    items[0]->setVisible(false);
    QTest::keyClick(&main(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(chooser->pending.size(), std::size_t{1});
}

void AppTest::aLoadCostsTheMainWindowOneRedraw() {
    std::string bytes;
    for (int i = 0; i < 5000; ++i) bytes += test::statLine(1000 + i, i, "Persist/x") + "\n";
    const int before = main().observer()->drawCount();
    load(bytes);
    QTest::qWait(20);
    QCOMPARE(main().observer()->drawCount(), before + 1);
    QCOMPARE(main().list()->model()->rowCount(), 5000);
}

void AppTest::mainWindowScreenshot() {
    QFile sample(QStringLiteral(QUILL_SAMPLE_FILE));
    QVERIFY(sample.open(QIODevice::ReadOnly));
    load(sample.readAll().toStdString(), "sample.jsonl");
    select(3);
    main().resize(1200, 520);
    QVERIFY(!test::saveScreenshot(main(), "main-window").isNull() ||
            qEnvironmentVariableIsEmpty("QUILL_SCREENSHOT_DIR"));
}

QTEST_MAIN(AppTest)
#include "app_test.moc"
