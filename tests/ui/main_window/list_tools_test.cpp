// The main window's filter over the list and its export as CSV, driven as a user would.

#include <QAbstractItemModelTester>
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QStatusBar>
#include <QtTest>

#include "tests/ui/common/screenshot.h"
#include "tests/ui/main_window/main_window_fixture.h"
#include "ui/main_window/list_export.h"
#include "ui/main_window/list_filter_bar.h"
#include "ui/main_window/stat_list_model.h"

using namespace quill;

namespace {

class RecordingOpener final : public ui::WindowOpener {
public:
    void openWindow(ui::WindowId id) override { opened.push_back(id); }
    std::vector<ui::WindowId> opened;
};

/// Stands in for the save dialog: remembers each request until the test answers it.
class FakeSaveChooser final : public ui::SaveChooser {
public:
    void chooseCsvFile(QWidget*, const QString& suggestedName, Done done) override {
        suggested << suggestedName;
        pending.push_back(std::move(done));
    }
    void answer(std::optional<QString> path) {
        auto done = std::move(pending.front());
        pending.erase(pending.begin());
        done(std::move(path));
    }
    QStringList suggested;
    std::vector<Done> pending;
};

std::string sampleBytes() {
    return test::statLine(1717488428, 8932365, "/db/Persist/0001.tracev3") + "\n" +
           test::statLine(1717488801, 4080913, "/db/Special/0001.tracev3") + "\n" +
           test::statLine(1717489290, 7003400, "/db/Persist/0002.tracev3") + "\n" +
           test::statLine(1717489300, 1500, R"(/db/other, \"quoted\".log)") + "\n";
}

QStringList shownFiles(const QAbstractItemModel& list) {
    QStringList files;
    for (int row = 0; row < list.rowCount(); ++row)
        files << list.index(row, 0).data(ui::StatListModel::FileRole).toString();
    return files;
}

}  // namespace

class ListToolsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        dir = std::make_unique<test::TempDir>();
        model = std::make_unique<Quillstat>();
        window = std::make_unique<ui::ContentView>(*model, opener, chooser);
        auto save = std::make_unique<FakeSaveChooser>();
        saver = save.get();
        window->setSaveChooser(std::move(save));
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    void cleanup() {
        window.reset();
        model.reset();
        opener.opened.clear();
    }

    void filterShowsMatchingRowsCountsThemAndEscapeClears() {
        load(sampleBytes());
        QCOMPARE(status(), QStringLiteral("4 records"));
        QLineEdit* field = this->field();
        QVERIFY(!field->isVisible());
        QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(field->isVisible());
        QVERIFY(field->hasFocus());
        QTest::keyClicks(field, "PERSIST");
        // Filtering waits for typing to pause.
        QCOMPARE(rows(), 4);
        QTRY_COMPARE(rows(), 2);
        QCOMPARE(shownFiles(*list()->model()),
                 (QStringList{"/db/Persist/0001.tracev3", "/db/Persist/0002.tracev3"}));
        QCOMPARE(status(), QStringLiteral("2 of 4 records"));
        test::saveScreenshot(*window, "main-window-filtered");
        // Each text of the row counts: times, size, rate, interval, file.
        for (const auto& [needle, count] :
             std::vector<std::pair<QString, int>>{{"08:07:08+0000", 2},
                                                  {"08:13:21", 1},
                                                  {"6839 kb", 1},
                                                  {"8124 b/S", 1},
                                                  {"862", 1},
                                                  {"\"quoted\"", 1},
                                                  {"nowhere", 0}}) {
            field->setText(needle);
            QTest::keyClick(field, Qt::Key_Return);
            QVERIFY2(rows() == count, qPrintable(needle));
            QCOMPARE(status(), QStringLiteral("%1 of 4 records").arg(count));
        }
        // Escape works wherever the focus is in the window.
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_Escape);
        QVERIFY(!field->isVisible());
        QVERIFY(field->text().isEmpty());
        QCOMPARE(rows(), 4);
        QCOMPARE(status(), QStringLiteral("4 records"));
        // Typing in the list opens the field again, empty, and types there.
        QTest::keyClicks(list(), "spec");
        QVERIFY(field->isVisible() && field->hasFocus());
        QCOMPARE(field->text(), QStringLiteral("spec"));
    }

    void aNewLoadKeepsTheFilter() {
        load(sampleBytes());
        filter("special");
        QCOMPARE(rows(), 1);
        std::string bytes;
        for (int i = 0; i < 10; ++i)
            bytes += test::statLine(1000 + i, 1, i % 3 ? "Persist/x" : "Special/y") + "\n";
        load(bytes, "next.jsonl");
        QCOMPARE(rows(), 4);
        QCOMPARE(shownFiles(*list()->model()).count(QStringLiteral("Special/y")), 4);
        QCOMPARE(status(), QStringLiteral("4 of 10 records"));
        QCOMPARE(field()->text(), QStringLiteral("special"));
    }

    void theListIsSearchableWhileTheFieldIsOpen() {
        // Ready before the first key, again after a load, and freed when the field closes.
        load(sampleBytes());
        ui::StatListModel& listModel = test::part<ui::StatListModel>(*window);
        QVERIFY(!listModel.filterPrepared());
        QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(listModel.filterPrepared());
        load(sampleBytes(), "again.jsonl");
        QTRY_VERIFY(listModel.filterPrepared());
        QTest::keyClick(field(), Qt::Key_Escape);
        QVERIFY(!listModel.filterPrepared());
        load(sampleBytes(), "third.jsonl");
        QTest::qWait(20);
        QVERIFY(!listModel.filterPrepared());
    }

    void chartSelectionChartsOnlyARowShown() {
        load(sampleBytes());
        // The first row of a filtered list is the list's third line, not its first.
        filter("0002");
        select(0);
        QTest::keyClick(window.get(), Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(opener.opened, std::vector<ui::WindowId>{ui::WindowId::Chart});
        QCOMPARE(model->selectedStat()->file.view(), "/db/Persist/0002.tracev3");
        // Filtered out, the selected row is not charted.
        filter("Special");
        QVERIFY(!list()->selectionModel()->hasSelection());
        model->setSelectedStat(std::nullopt);
        QTest::keyClick(window.get(), Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(opener.opened.size(), std::size_t{1});
        QVERIFY(!model->selectedStat());
        // Shown again, it is still the selected row.
        QTest::keyClick(field(), Qt::Key_Escape);
        QCOMPARE(list()->selectionModel()->selectedRows().value(0).row(), 2);
        QTest::keyClick(window.get(), Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(opener.opened.size(), std::size_t{2});
        QCOMPARE(model->selectedStat()->file.view(), "/db/Persist/0002.tracev3");
    }

    void exportWritesTheRowsShownWholeOrNotAtAll() {
        load(sampleBytes());
        filter("r, \"Q");
        QAction* exportAction = &test::part<QAction>(*window, "exportList");
        QVERIFY(window->menuBar()->actions().first()->menu()->actions().contains(exportAction));
        exportAction->trigger();
        QCOMPARE(saver->suggested, QStringList{"day.csv"});
        const QString path = QString::fromStdString((dir->path() / "out.csv").string());
        saver->answer(path);
        QCOMPARE(status(), QStringLiteral("Exported 1 record to \u201cout.csv\u201d"));
        QCOMPARE(readAll(path),
                 QByteArray("previous,time,interval_s,size,rate,file,unix_time,total_bytes\r\n"
                            ",08:21:40+0000 2024-06-04,,1 KB,,\"/db/other, \"\"quoted\"\".log\","
                            "1717489300,1500\r\n"));
        // A failed export is reported and writes nothing.
        QTest::keyClick(field(), Qt::Key_Escape);
        const QString nowhere = QString::fromStdString((dir->path() / "gone" / "x.csv").string());
        exportAction->trigger();
        saver->answer(nowhere);
        QVERIFY2(status().startsWith(QStringLiteral("Could not export to \u201cx.csv\u201d: ")),
                 qPrintable(status()));
        QVERIFY(!QFile::exists(nowhere));
        // Cancelled, nothing is written; unfiltered, every line is.
        exportAction->trigger();
        saver->answer(std::nullopt);
        QCOMPARE(readAll(path).count('\n'), 2);
        exportAction->trigger();
        saver->answer(path);
        QCOMPARE(readAll(path).count("\r\n"), 5);  // the header and four lines
    }

    void aKeptSelectionComesIntoViewInAListLaidOutInBatches() {
        load(test::persistLines(120000));  // more than a batch
        select(119990);
        list()->scrollToTop();
        filter("persist");
        const QModelIndex selected = list()->selectionModel()->selectedRows().value(0);
        QCOMPARE(selected.row(), 119990);
        QTRY_VERIFY_WITH_TIMEOUT(
            list()->viewport()->rect().intersects(list()->visualRect(selected)), 20000);
    }

    void listModelShowsTheLinesOfItsLastRefreshWhole() {
        ui::StatListModel listModel(*model);
        QAbstractItemModelTester tester(&listModel,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        test::loadBytes(*model, sampleBytes());
        listModel.refresh();
        listModel.setFilter("persist");
        QCOMPARE(listModel.rowCount(), 2);
        listModel.setFilter("persist/0002");
        QCOMPARE(listModel.rowCount(), 1);
        QCOMPARE(listModel.line(0)->entry.file.view(), "/db/Persist/0002.tracev3");
        QVERIFY(!listModel.line(1));
        // Between a load and the refresh after it, the rows, their texts and the filter keep
        // to the lines of the last refresh.
        test::loadBytes(*model, test::statLine(1000, 1, "one/db") + "\n");
        listModel.setFilter("db");
        QCOMPARE(shownFiles(listModel).last(), QStringLiteral("/db/other, \"quoted\".log"));
        QCOMPARE(shownFiles(listModel).size(), 4);
        listModel.refresh();
        listModel.setFilter("");
        QVERIFY(!listModel.filteredRows());
        QCOMPARE(shownFiles(listModel), QStringList{"one/db"});
    }

private:
    QListView* list() const { return &test::part<QListView>(*window, "statList"); }
    QLineEdit* field() const { return &test::part<QLineEdit>(*window, "listFilter"); }
    int rows() const { return list()->model()->rowCount(); }
    QString status() const { return window->statusBar()->currentMessage(); }

    void load(const std::string& bytes, const std::string& name = "day.jsonl") {
        window->openFile(QString::fromStdString(dir->write(name, bytes)));
        // Long, for a long list under the sanitizers.
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(),
                                  QString::fromStdString("Quillometer: " + name), 20000);
        QTRY_VERIFY(!test::part<ui::ModelObserver>(*window).drawPending());
    }

    void filter(const QString& text) {
        if (!field()->isVisible()) QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
        field()->setText(text);
        QTest::keyClick(field(), Qt::Key_Return);
    }

    void select(int row) { list()->setCurrentIndex(list()->model()->index(row, 0)); }

    static QByteArray readAll(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    std::unique_ptr<test::TempDir> dir;
    std::unique_ptr<Quillstat> model;
    RecordingOpener opener;
    test::FakeChooser chooser;
    FakeSaveChooser* saver = nullptr;
    std::unique_ptr<ui::ContentView> window;
};

QTEST_MAIN(ListToolsTest)
#include "list_tools_test.moc"
