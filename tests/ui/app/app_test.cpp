// The program as a person starts it: its command line, then its windows and what opens them.

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSlider>
#include <QTextBrowser>
#include <QToolBar>

#include "tests/ui/common/screenshot.h"
#include "tests/ui/main_window/main_window_fixture.h"
#include "ui/command_line.h"
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

/// The shortcuts of the actions in the open windows that the manual's table of keys leaves out.
QStringList unlistedShortcuts() {
    QFile file(QStringLiteral(QUILL_MANUAL_SOURCE));
    const QString manual = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : "";
    const QString table =
        manual.mid(manual.indexOf("## Keyboard shortcuts")).section("\n## ", 0, 0);
    QStringList unlisted;
    for (const QWidget* window : QApplication::topLevelWidgets())
        for (const QAction* action : window->findChildren<QAction*>())
            for (const QKeySequence& keys : action->shortcuts()) {
                QString name = keys.toString(QKeySequence::PortableText);
                if (!table.contains(name.replace("Esc", "Escape").replace("+-", "+\u2212")))
                    unlisted << name;
            }
    return unlisted;
}

QStringList visibleWindows() {
    QStringList ids;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->objectName().isEmpty()) ids << w->objectName();
    ids.sort();
    return ids;
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
        // Shortcuts reach the active window only.
        QVERIFY(QTest::qWaitForWindowActive(app->window(WindowId::Main)));
    }

    void cleanup() { app.reset(); }

    void commandLineAnswersOrRuns_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");  // -1: on to the window
        QTest::addColumn<QString>("file");  // the one to load
        QTest::addColumn<QString>("said");  // a pattern of what is written, output or error
        const auto row = [](const char* name, QStringList arguments, int exitCode, QString file,
                            QString said) { test::row(name, arguments, exitCode, file, said); };
        row("nothing", {}, -1, "", "");
        row("a path", {"/data/day.jsonl"}, -1, "/data/day.jsonl", "");
        row("an option's name, after --", {"--", "--version"}, -1, "--version", "");
        // Read before QApplication takes its own options out, as they are when there is no display.
        row("Qt's options", {"-platform", "xcb", "-style=fusion", "-reverse", "a"}, -1, "a", "");
        row("a file URL", {"file:///data/my%20day.jsonl"}, -1, "/data/my day.jsonl", "");
        const QString version = "^Quillometer \\d+\\.\\d+\\.\\d+\n$";
        row("--version", {"--version"}, 0, "", version);
        row("-v", {"-v"}, 0, "", version);
        // Help answers even beside a mistake, as people ask for it to find the mistake.
        const QString usage = "^Usage: quillometer \\[options\\] \\[FILE\\].*--help.*--version";
        row("--help", {"day.jsonl", "--help"}, 0, "", usage);
        row("-h beside two files", {"a.jsonl", "b.jsonl", "-h"}, 0, "", usage);
        row("unknown option", {"--bogus"}, ui::kUsageError, "", "Unknown option 'bogus'");
        row("an option's name, longer", {"--versions"}, ui::kUsageError, "", "'versions'");
        row("unknown short option", {"-x", "a.jsonl"}, ui::kUsageError, "", "'x'");
        row("letters run together", {"-hv"}, ui::kUsageError, "", "'hv'");
        row("two files", {"a.jsonl", "b.jsonl"}, ui::kUsageError, "", "one FILE at most");
    }

    void commandLineAnswersOrRuns() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, file);
        QFETCH(QString, said);
        arguments.prepend("/usr/bin/quillometer");
        const ui::CommandLine line = ui::parseCommandLine(arguments);
        QCOMPARE(line.exitNow, exitCode >= 0);
        QCOMPARE(line.exitCode, qMax(exitCode, 0));
        QCOMPARE(line.file.value_or(QString()), file);
        QCOMPARE(line.output.isEmpty(), exitCode != 0);
        QCOMPARE(line.error.isEmpty(), exitCode != ui::kUsageError);
        const QString written = line.output + line.error;
        const QRegularExpression pattern(said, QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(pattern.match(written).hasMatch(), qPrintable(written));
        QVERIFY(!written.contains("--help-all"));  // Qt's, which would promise Qt's options
        QCOMPARE(
            line.error.startsWith("quillometer: ") && written.contains("Try 'quillometer --help'"),
            exitCode == ui::kUsageError);
    }

    void unreadableFileIsReported() {
        // A FIFO without a writer would block a plain open() for good.
        const test::Watchdog watchdog;
        open(test::makeFifo(dir, "pipe.jsonl"));
        QVERIFY(main().statusBar()->currentMessage().startsWith("Could not read \u201cpipe.jsonl"));
    }

    void chartWithoutSelectionOpensNothing_data() {
        QTest::addColumn<QList<Qt::KeyboardModifiers>>("clicks");  // on the second row, in order
        QTest::addColumn<bool>("reload");                          // then another file loaded
        // The row stays current, but the list shows no selection.
        QTest::newRow("row deselected with Ctrl+click")
            << QList<Qt::KeyboardModifiers>{Qt::NoModifier, Qt::ControlModifier} << false;
        QTest::newRow("row of the file before")
            << QList<Qt::KeyboardModifiers>{Qt::NoModifier} << true;
    }

    void chartWithoutSelectionOpensNothing() {
        QFETCH(QList<Qt::KeyboardModifiers>, clicks);
        QFETCH(bool, reload);
        load(test::sampleBytes());
        QAbstractItemView* list = statList();
        const QPoint row = list->visualRect(list->model()->index(1, 0)).center();
        for (Qt::KeyboardModifiers modifiers : clicks)
            QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, row);
        if (reload) load(test::sampleBytes(), "again.jsonl");
        QVERIFY(!list->selectionModel()->hasSelection());
        QTest::keyClick(&main(), Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(visibleWindows(), QStringList{"main"});
        QVERIFY(!app->loggy().selectedStat());
    }

    void chartOpensTheChartWindowForTheSelectedLine() {
        load(test::sampleBytes());
        test::saveScreenshot(main(), "main-window");
        select(1);
        QTest::keyClick(&main(), Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(visibleWindows(), (QStringList{"chart", "main"}));
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
        // Closed with Ctrl+W and opened again, the window starts afresh.
        QTest::keyClick(chart, Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(!app->window(WindowId::Chart));
        QCOMPARE(visibleWindows(), QStringList{"main"});
        action("chart").trigger();
        QCOMPARE(app->window(WindowId::Chart)->findChild<QSlider*>("startSlider")->value(), 1);
    }

    void launchShowsTheMainWindowAndPlotAndHelpOpenOnce() {
        QCOMPARE(visibleWindows(), QStringList{"main"});
        QCOMPARE(shownTitle(&main()), QStringLiteral("Quillometer: "));
        // Hidden from the toolbar, Open keeps its shortcut; the dialog cancelled, nothing loads.
        test::part<QToolBar>(main(), "ContentView.toolbar").actions().first()->setVisible(false);
        QTest::keyClick(&main(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(chooser->pending.size(), std::size_t{1});
        chooser->answer(0, std::nullopt);
        QVERIFY(!test::part<QWidget>(main(), "loadIndicator").isVisible());
        action("plot").trigger();
        QCOMPARE(visibleWindows(), (QStringList{"main", "plot"}));
        QTRY_COMPARE(shownTitle(app->window(WindowId::Plot)), QStringLiteral("Log data: "));
        // A load costs the main window one redraw, however long the file.
        const int draws = test::part<ui::ModelObserver>(main()).drawCount();
        load(test::sampleBytes() + test::persistLines(5000));
        QTRY_COMPARE(shownTitle(app->window(WindowId::Plot)),
                     QStringLiteral("Log data: day.jsonl"));
        QCoreApplication::processEvents();  // runs any draw queued since
        QCOMPARE(test::part<ui::ModelObserver>(main()).drawCount(), draws + 1);
        QCOMPARE(statList()->model()->rowCount(), 5004);
        action("help").trigger();
        QWidget* help = app->window(WindowId::Help);
        QCOMPARE(shownTitle(help), QStringLiteral("Help Window"));
        action("help").trigger();
        QCOMPARE(app->window(WindowId::Help), help);
        // About names the version and the Qt run on, and its link opens the README.
        action("about").trigger();
        auto& about = test::part<QLabel>(*app->window(WindowId::About), "aboutText");
        QVERIFY(about.text().contains(QUILL_VERSION) && about.text().contains(qVersion()));
        emit about.linkActivated("readme");
        const QString readme =
            qobject_cast<QTextBrowser*>(app->window(WindowId::Readme))->toPlainText();
        QVERIFY2(readme.contains("Help ▸ About Quillometer"), qPrintable(readme.left(200)));
        QCOMPARE(visibleWindows(), (QStringList{"about", "help", "main", "plot", "readme"}));
        QCOMPARE(unlistedShortcuts(), QStringList());
        // Ctrl+W closes the window in hand alone.
        for (const WindowId id :
             {WindowId::Readme, WindowId::About, WindowId::Help, WindowId::Plot}) {
            app->window(id)->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(app->window(id)));
            QTest::keyClick(app->window(id), Qt::Key_W, Qt::ControlModifier);
            QTRY_VERIFY(!app->window(id));
        }
        QCOMPARE(visibleWindows(), QStringList{"main"});
    }

private:
    ui::ContentView& main() { return *qobject_cast<ui::ContentView*>(app->window(WindowId::Main)); }
    /// Opens `path` with Ctrl+O and the dialog, and waits for the title to name it.
    void open(const std::string& path) {
        main().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main()));
        QTest::keyClick(&main(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(chooser->pending.size(), std::size_t{1});
        chooser->answer(ui::kResponseOK, ui::FileLocation::local(path));
        QTRY_COMPARE(shownTitle(&main()),
                     "Quillometer: " + QFileInfo(QString::fromStdString(path)).fileName());
    }
    void load(const std::string& bytes, const std::string& name = "day.jsonl") {
        open(dir.write(name, bytes));
    }
    QAbstractItemView* statList() { return &test::part<QAbstractItemView>(main(), "statList"); }
    QAction& action(const char* name) { return test::part<QAction>(main(), name); }

    void select(int row) { statList()->setCurrentIndex(statList()->model()->index(row, 0)); }

    std::unique_ptr<ui::QuillometerApp> app;
    test::FakeChooser* chooser = nullptr;
    test::TempDir dir;
};

QTEST_MAIN(AppTest)
#include "app_test.moc"
