// Opening files: the dialog, a drop on the window, Open Recent and Reload, and loads read in
// the background as the main window runs them.

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "tests/ui/main_window/main_window_fixture.h"
#include "ui/main_window/file_history.h"
#include "ui/open_file/stat_file_loader.h"

using namespace quill;
using namespace std::chrono_literals;

namespace {

/// Tells the test that a load got to a point, and keeps it there until the test lets go or
/// the load is cancelled.
struct Hold {
    std::atomic<bool> reached{false}, released{false};
};

/// Reads as the program does, but holds the load at the first byte ("start") or half-way
/// ("middle"), or tells once the whole file is read ("end").
ui::StatFileLoader::Reader heldReader(std::shared_ptr<Hold> hold, QString where) {
    return [hold, where](const std::string& path, LoadControl* control) {
        std::ifstream file(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(file)), {});
        const std::uint64_t at = where == "start"    ? 0
                                 : where == "middle" ? bytes.size() / 2
                                                     : ~std::uint64_t{0};  // never read
        const test::HookedSource source(std::move(bytes), at, [&] {
            hold->reached = true;
            while (!hold->released && !control->cancelled()) std::this_thread::sleep_for(1ms);
            return 0;
        });
        StatLoad load = readStatSource(std::string(lastPathComponent(path)), source, control);
        hold->reached = true;
        return load;
    };
}

/// What the main window shows of a file: title, rows, filter, selected row and status.
QStringList shown(const test::MainWindowFixture& f) {
    const QModelIndexList selected = f.list().selectionModel()->selectedRows();
    return {f.window->windowTitle(), QString::number(f.rows()), f.field().text(),
            selected.isEmpty() ? "none" : QString::number(selected.first().row()), f.count()};
}

/// Drags `data` onto the window and, if the window takes the drag, lets go: returns whether
/// the window took it. Qt hands a drop only to the widget that accepted the drag's entry.
bool drop(QWidget& window, const QMimeData& data) {
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    enter.setAccepted(false);
    QCoreApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent event(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                     Qt::NoModifier);
    event.setAccepted(false);
    QCoreApplication::sendEvent(&window, &event);
    return event.isAccepted();
}

/// The Open Recent menu as a person sees it on opening it: each item's path, or its text when
/// it names no file, in brackets when it cannot be chosen.
QStringList openRecent(ui::FileHistory& history) {
    Q_EMIT history.recentMenu()->aboutToShow();
    QStringList items;
    for (QAction* item : history.recentMenu()->actions()) {
        const QString text = item->data().isValid() ? item->data().toString() : item->text();
        if (!item->isSeparator()) items << (item->isEnabled() ? text : "(" + text + ")");
    }
    return items;
}

}  // namespace

class OpenFileTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void eachCallShowsAnotherDialogWithoutBlocking() {
        ui::DialogFileChooser chooser;
        int answered = 0;
        const auto count = [&](int, std::optional<ui::FileLocation>) { ++answered; };
        chooser.chooseStatFile(nullptr, count);
        chooser.chooseStatFile(nullptr, count);
        QList<QFileDialog*> dialogs;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == "openStatFile" && widget->isVisible())
                dialogs << qobject_cast<QFileDialog*>(widget);
        QCOMPARE(dialogs.size(), 2);
        for (QFileDialog* dialog : dialogs) {
            QVERIFY(dialog->nameFilters().join(' ').contains("*.jsonl"));
            QCOMPARE(dialog->windowModality(), Qt::NonModal);
            dialog->reject();
        }
        QCOMPARE(answered, 2);
    }

    void aStoppedLoadLeavesTheWindowAsItWas_data() {
        QTest::addColumn<QString>("hold");  // where the load is when it is stopped
        QTest::addColumn<QString>("stop");  // how
        test::row("before any chunk, Escape", "start", "escape");
        test::row("mid-file, Cancel", "middle", "cancel");
        test::row("read whole, Escape", "end", "escape");
        test::row("mid-file, another file opened", "middle", "open");
        test::row("read whole, another file opened", "end", "open");
        test::row("mid-file, window closed", "middle", "close");
    }

    void aStoppedLoadLeavesTheWindowAsItWas() {
        QFETCH(QString, hold);
        QFETCH(QString, stop);
        test::MainWindowFixture f;
        f.load(test::sampleBytes(), "before.jsonl");
        f.filter("persist");
        f.select(1);
        const QStringList before = shown(f);
        QCOMPARE(before,
                 (QStringList{"Quillometer: before.jsonl", "2", "persist", "1", "2 of 4 records"}));

        // Four chunks of a megabyte: held in the middle, the first is read and counted.
        const std::string big = f.dir.write("big.jsonl", test::persistLines(40000, 9000));
        auto& loader = test::part<ui::StatFileLoader>(*f.window, "statFileLoader");
        auto held = std::make_shared<Hold>();
        loader.setReader(heldReader(held, hold));
        f.window->openFile(QString::fromStdString(big));
        auto& indicator = test::part<QWidget>(*f.window, "loadIndicator");
        QVERIFY(indicator.isVisible());
        QCOMPARE(test::part<QLabel>(indicator).text(), QStringLiteral("Loading big.jsonl\u2026"));
        if (hold == "end") {
            // Without turning the event loop: the finished load is on its way, not yet shown.
            while (!held->reached) std::this_thread::sleep_for(1ms);
        } else {
            QTRY_VERIFY(held->reached);
            if (hold == "middle") QTRY_VERIFY(test::part<QProgressBar>(indicator).value() > 0);
            QCOMPARE(shown(f), before);
        }

        if (stop == "close") {
            f.window.reset();  // cancels the load and waits for it
            QCOMPARE(f.model.fileName(), std::string("before.jsonl"));
            QCOMPARE(f.model.statList().size(), std::size_t{4});
            return;
        }
        if (stop == "escape") QTest::keyClick(&f.field(), Qt::Key_Escape);
        if (stop == "cancel")
            QTest::mouseClick(&test::part<QPushButton>(indicator, "cancelLoad"), Qt::LeftButton);
        if (stop == "open") {
            loader.setReader(heldReader(std::make_shared<Hold>(), "end"));  // holds nothing
            f.load(test::persistLines(2), "after.jsonl");
        }
        held->released = true;
        QTRY_VERIFY(loader.idle());
        QCoreApplication::processEvents();
        QVERIFY(!indicator.isVisible());
        // A file opened over the stopped load shows alone, filtered alike.
        const QStringList after{"Quillometer: after.jsonl", "2", "persist", "none",
                                "2 of 2 records"};
        QCOMPARE(shown(f), stop == "open" ? after : before);
        // The filter field did not take that Escape; the next one is its own again.
        QTest::keyClick(&f.field(), Qt::Key_Escape);
        QVERIFY(!f.field().isVisible());
    }

    void dropOpensOneStatisticsFileOrSaysWhyNot_data() {
        QTest::addColumn<QStringList>("dragged");  // names in the directory, or URLs; none: text
        QTest::addColumn<QString>("reason");       // none: loaded
        test::row("a statistics file", QStringList{"day.jsonl"}, QString());
        test::row("the extension in capitals", QStringList{"NIGHT.JSONL"}, QString());
        test::row("text", QStringList{}, "Cannot open what was dropped: drop a .jsonl file");
        test::row("two files", QStringList{"day.jsonl", "day.jsonl"},
                  "Cannot open 2 files at once: drop one .jsonl file");
        test::row("remote", QStringList{"https://example.org/day.jsonl"},
                  "Cannot open \u201chttps://example.org/day.jsonl\u201d: only local files can "
                  "be opened");
        test::row("folder", QStringList{"folder.jsonl"},
                  "Cannot open \u201cfolder.jsonl\u201d: it is a folder");
        test::row("other file", QStringList{"day.csv"},
                  "Cannot open \u201cday.csv\u201d: only .jsonl statistics files can be opened");
        test::row("no extension", QStringList{"jsonl"},
                  "Cannot open \u201cjsonl\u201d: only .jsonl statistics files can be opened");
    }

    void dropOpensOneStatisticsFileOrSaysWhyNot() {
        QFETCH(QStringList, dragged);
        QFETCH(QString, reason);
        test::MainWindowFixture f;
        std::filesystem::create_directory(f.dir.path() / "folder.jsonl");
        for (const char* name : {"day.jsonl", "NIGHT.JSONL", "day.csv", "jsonl"})
            f.dir.write(name, test::persistLines(2));
        QList<QUrl> urls;
        const QString dir = QString::fromStdString(f.dir.path().string()) + "/";
        for (const QString& name : dragged)
            urls << (name.startsWith("https:") ? QUrl(name) : QUrl::fromLocalFile(dir + name));
        QMimeData data;
        data.setUrls(urls);
        if (urls.isEmpty()) data.setText("day.jsonl");
        QCOMPARE(drop(*f.window, data), reason.isEmpty());
        if (!reason.isEmpty()) {
            // Turned away as it enters, with the reason shown while the pointer is still over
            // the window.
            QCOMPARE(f.status(), reason);
            QVERIFY(!test::part<QWidget>(*f.window, "loadIndicator").isVisible());
            return;
        }
        QTRY_COMPARE(f.window->windowTitle(), "Quillometer: " + dragged[0]);
        QTRY_COMPARE(f.rows(), 2);
        QCOMPARE(f.count(), QStringLiteral("2 records"));
        // Remembered like any other load.
        QCOMPARE(ui::RecentFiles().paths(), QStringList{urls[0].toLocalFile()});
    }

    void recentListsLoadsNewestFirstOnceEach() {
        test::MainWindowFixture f;
        ui::FileHistory& history = test::part<ui::FileHistory>(*f.window);
        QStringList paths;
        for (const char* name : {"R&D 100%1.jsonl", "b.jsonl", "c.jsonl"}) {
            paths << QString::fromStdString(f.dir.write(name, test::persistLines(1)));
            f.open(paths.back().toStdString());
        }
        f.open(paths[0].toStdString());
        QCOMPARE(openRecent(history), (QStringList{paths[0], paths[2], paths[1], "Clear"}));
        // "&1" is the entry's mnemonic; the path's own ampersand stays a character.
        QCOMPARE(history.recentMenu()->actions()[0]->text(),
                 "&1  " + QString(paths[0]).replace("&", "&&"));
        // Another spelling of the same file is still the same entry.
        f.open(f.dir.path().string() + "/./b.jsonl");
        QCOMPARE(openRecent(history), (QStringList{paths[1], paths[0], paths[2], "Clear"}));
    }

    void recentKeepsLoadsThatReadTheFileShowsGoneOnesDisabledAndClears() {
        test::MainWindowFixture f;
        const auto kept = QString::fromStdString(f.dir.write("kept.jsonl", test::persistLines(2)));
        const auto gone = QString::fromStdString(f.dir.write("gone.jsonl", test::persistLines(1)));
        f.open(kept.toStdString());
        f.open(gone.toStdString());
        f.open((f.dir.path() / "missing.jsonl").string());  // unread, so not remembered
        std::filesystem::remove(gone.toStdString());
        // Another window, reading the kept list, sees it gone too.
        ui::ContentView second(f.model, f.opener, f.chooser);
        ui::FileHistory& recent = test::part<ui::FileHistory>(second);
        QCOMPARE(openRecent(recent), (QStringList{"(" + gone + ")", kept, "Clear"}));
        recent.recentMenu()->actions()[1]->trigger();  // the kept file
        QTRY_COMPARE(test::part<QAbstractItemView>(second, "statList").model()->rowCount(), 2);
        QCOMPARE(second.windowTitle(), QStringLiteral("Quillometer: kept.jsonl"));
        recent.recentMenu()->findChild<QAction*>("clearRecent")->trigger();
        QVERIFY(ui::RecentFiles().paths().isEmpty());
        QCOMPARE(openRecent(recent), (QStringList{"(No recent files)", "(Clear)"}));
    }

    void settingsEditedByHandAreTakenWithCare() {
        test::MainWindowFixture f;  // names the program, whose settings these are
        QStringList stored{"relative.jsonl", "", "/x/../y/a.jsonl", "/y/a.jsonl"};
        for (int i = 0; i < 14; ++i) stored << QStringLiteral("/z/%1.jsonl").arg(i);
        QSettings().setValue("recentFiles", stored);
        QStringList expected{"/y/a.jsonl"};
        for (int i = 0; i < 9; ++i) expected << QStringLiteral("/z/%1.jsonl").arg(i);
        QCOMPARE(ui::RecentFiles().paths(), expected);
        QSettings().setValue("recentFiles", 42);
        QCOMPARE(ui::RecentFiles().paths(), QStringList{});
    }

    void reloadReadsTheFileAgainAndTriesAgainAfterAFailure() {
        test::MainWindowFixture f;
        QAction* reload = test::part<ui::FileHistory>(*f.window).reloadAction();
        QVERIFY(!reload->isEnabled());  // nothing to read again yet
        const auto path = f.dir.write("day.jsonl", test::persistLines(2));
        f.open(path);
        std::ofstream(path, std::ios::app) << test::persistLines(3, 5000);
        QTest::keyClick(f.window.get(), Qt::Key_F5);
        QTRY_COMPARE(f.rows(), 5);
        QCOMPARE(f.count(), QStringLiteral("5 records"));
        // A file gone since fails like a load, and Reload stays there to try again.
        std::filesystem::rename(path, path + ".away");
        reload->trigger();
        QTRY_COMPARE(f.rows(), 0);
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Quillometer: day.jsonl"));
        QVERIFY(f.status().startsWith(QStringLiteral("Could not read \u201cday.jsonl\u201d")));
        std::filesystem::rename(path + ".away", path);
        reload->trigger();
        QTRY_COMPARE(f.rows(), 5);
    }
};

QTEST_MAIN(OpenFileTest)
#include "open_file_test.moc"
