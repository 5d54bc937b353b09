#include "ui/main_window/file_history.h"

#include <QAction>
#include <QListView>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>
#include <QtTest>
#include <fstream>

#include "tests/ui/main_window/main_window_fixture.h"

using namespace quill;

namespace {

/// The Open Recent menu as a person sees it on opening it: each entry's path and whether it
/// can be chosen, then the trailing items by text.
struct RecentMenu {
    QStringList paths;
    QList<bool> enabled;
    QStringList others;
    bool clearEnabled = false;
};

RecentMenu openRecent(ui::FileHistory& history) {
    Q_EMIT history.recentMenu()->aboutToShow();
    RecentMenu menu;
    for (QAction* item : history.recentMenu()->actions()) {
        if (item->isSeparator()) continue;
        if (item->data().isValid()) {
            menu.paths << item->data().toString();
            menu.enabled << item->isEnabled();
        } else {
            menu.others << item->text();
            if (item->text() == "Clear") menu.clearEnabled = item->isEnabled();
        }
    }
    return menu;
}

QAction* entry(ui::FileHistory& history, const QString& path) {
    for (QAction* item : history.recentMenu()->actions())
        if (item->data().toString() == path) return item;
    return nullptr;
}

ui::FileHistory& historyOf(const test::MainWindowFixture& f) {
    return test::part<ui::FileHistory>(*f.window);
}

void append(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::app) << bytes;
}

}  // namespace

class FileHistoryTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void recentListsLoadsNewestFirstOnceEach() {
        test::MainWindowFixture f;
        std::vector<QString> paths;
        for (const char* name : {"R&D 100%1.jsonl", "b.jsonl", "c.jsonl"}) {
            paths.push_back(QString::fromStdString(f.dir.write(name, test::persistLines(1))));
            f.open(paths.back().toStdString());
        }
        f.open(paths[0].toStdString());
        const RecentMenu menu = openRecent(historyOf(f));
        QCOMPARE(menu.paths, (QStringList{paths[0], paths[2], paths[1]}));
        QCOMPARE(menu.enabled, (QList<bool>{true, true, true}));
        QCOMPARE(menu.others, QStringList{"Clear"});
        QVERIFY(menu.clearEnabled);
        // "&1" is the entry's mnemonic; the path's own ampersand stays a character.
        QCOMPARE(entry(historyOf(f), paths[0])->text(),
                 "&1  " + QString(paths[0]).replace("&", "&&"));
        // Another spelling of the same file is still the same entry.
        f.open(f.dir.path().string() + "/./b.jsonl");
        QCOMPARE(openRecent(historyOf(f)).paths, (QStringList{paths[1], paths[0], paths[2]}));
    }

    void recentKeepsTheTenNewest() {
        test::MainWindowFixture f;
        QStringList loaded;
        for (int i = 0; i < 12; ++i) {
            // Appended, not "f" + ...: GCC 12 warns about that at -O3 (-Wrestrict, bug 105329).
            std::string name = "f";
            name += std::to_string(i) + ".jsonl";
            loaded.prepend(QString::fromStdString(f.dir.write(name, test::persistLines(1))));
            f.open(loaded.first().toStdString());
        }
        QCOMPARE(openRecent(historyOf(f)).paths, loaded.mid(0, 10));
    }

    void onlyLoadsThatReadTheFileAreRemembered() {
        test::MainWindowFixture f;
        const auto good = f.dir.write("good.jsonl", test::persistLines(1));
        f.open(good);
        f.open((f.dir.path() / "missing.jsonl").string());
        test::part<QAction>(*f.window, "readstats").trigger();
        f.chooser.answer(0, std::nullopt);  // cancelled
        QTest::qWait(20);
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Quillometer: missing.jsonl"));
        QCOMPARE(ui::RecentFiles().paths(), QStringList{QString::fromStdString(good)});
    }

    void goneFilesShowDisabledAndTheOthersLoad() {
        test::MainWindowFixture f;
        const auto kept = f.dir.write("kept.jsonl", test::persistLines(2));
        const auto gone = f.dir.write("gone.jsonl", test::persistLines(1));
        f.open(kept);
        f.open(gone);
        std::filesystem::remove(gone);
        // Another window, reading the kept list, sees it gone too.
        ui::ContentView second(f.model, f.opener, f.chooser);
        ui::FileHistory& recent = test::part<ui::FileHistory>(second);
        const RecentMenu menu = openRecent(recent);
        QCOMPARE(menu.paths,
                 (QStringList{QString::fromStdString(gone), QString::fromStdString(kept)}));
        QCOMPARE(menu.enabled, (QList<bool>{false, true}));
        entry(recent, QString::fromStdString(kept))->trigger();
        QTRY_COMPARE(test::part<QListView>(second, "statList").model()->rowCount(), 2);
        QCOMPARE(second.windowTitle(), QStringLiteral("Quillometer: kept.jsonl"));
    }

    void clearEmptiesTheList() {
        test::MainWindowFixture f;
        f.open(f.dir.write("a.jsonl", test::persistLines(1)));
        QAction* clear = historyOf(f).recentMenu()->findChild<QAction*>("clearRecent");
        QVERIFY(clear && clear->isEnabled());
        clear->trigger();
        QVERIFY(ui::RecentFiles().paths().isEmpty());
        QTest::qWait(10);
        const RecentMenu menu = openRecent(historyOf(f));
        QVERIFY(menu.paths.isEmpty());
        QCOMPARE(menu.others, (QStringList{"No recent files", "Clear"}));
        QVERIFY(!menu.clearEnabled);
    }

    void settingsEditedByHandAreTakenWithCare() {
        test::MainWindowFixture f;
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
        QAction* reload = historyOf(f).reloadAction();
        QCOMPARE(reload->shortcut(), QKeySequence(Qt::Key_F5));
        QVERIFY(!reload->isEnabled());  // nothing to read again yet
        const auto path = f.dir.write("day.jsonl", test::persistLines(2));
        f.open(path);
        append(path, test::persistLines(3, 5000));
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QTest::keyClick(f.window.get(), Qt::Key_F5);
        QTRY_COMPARE(f.rows(), 5);
        QCOMPARE(f.window->statusBar()->currentMessage(), QStringLiteral("5 records"));
        // A file gone since fails like a load, and Reload stays there to try again.
        std::filesystem::rename(path, path + ".away");
        reload->trigger();
        QTRY_COMPARE(f.rows(), 0);
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Quillometer: day.jsonl"));
        QVERIFY(f.window->statusBar()->currentMessage().startsWith(
            QStringLiteral("Could not read \u201cday.jsonl\u201d")));
        std::filesystem::rename(path + ".away", path);
        reload->trigger();
        QTRY_COMPARE(f.rows(), 5);
    }
};

QTEST_MAIN(FileHistoryTest)
#include "file_history_test.moc"
