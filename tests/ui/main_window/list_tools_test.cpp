// The main list: its rows as drawn, the filter over them and their export as CSV, driven as a
// user would.

#include <QAbstractItemModelTester>
#include <QAction>
#include <QDialog>
#include <QFile>
#include <QFontMetrics>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "tests/follow_writer.h"
#include "tests/ui/common/screenshot.h"
#include "tests/ui/main_window/main_window_fixture.h"
#include "ui/main_window/message_row.h"
#include "ui/main_window/stat_list_model.h"

using namespace quill;

namespace {

/// Stands in for the save dialog: the test answers each request before the next.
struct FakeSaveChooser final : ui::SaveChooser {
    void chooseCsvFile(QWidget*, const QString& suggestedName, Done done) override {
        suggested << suggestedName;
        answer = std::move(done);
    }
    QStringList suggested;
    Done answer;
};

QStringList shownFiles(const QAbstractItemModel& list) {
    QStringList files;
    for (int row = 0; row < list.rowCount(); ++row)
        files << list.index(row, 0).data(ui::StatListModel::FileRole).toString();
    return files;
}

void append(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::app | std::ios::binary) << bytes;
}

/// Opens `path` and follows it, as a person would.
void follow(test::MainWindowFixture& f, const std::string& path) {
    f.open(path);
    QVERIFY(test::part<QAction>(*f.window, "followFile").isEnabled());
    QTest::keyClick(f.window.get(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY(test::part<QLabel>(*f.window, "followStatus").isVisible());
    QTRY_VERIFY(!test::part<ui::ModelObserver>(*f.window).drawPending());
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class ListToolsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void filterShowsMatchingRowsCountsThemAndEscapeClears() {
        test::MainWindowFixture f;
        f.load(test::sampleBytes());
        QCOMPARE(f.count(), QStringLiteral("4 records"));
        QLineEdit& field = f.field();
        QVERIFY(!field.isVisible());
        QTest::keyClick(f.window.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(field.isVisible() && field.hasFocus());
        QTest::keyClicks(&field, "PERSIST");
        // Filtering waits for typing to pause.
        QCOMPARE(f.rows(), 4);
        QTRY_COMPARE(f.rows(), 2);
        QCOMPARE(shownFiles(*f.list().model()),
                 (QStringList{"/db/Persist/0001.tracev3", "/db/Persist/0002.tracev3"}));
        QCOMPARE(f.count(), QStringLiteral("2 of 4 records"));
        test::saveScreenshot(*f.window, "main-window-filtered");
        // The texts of a row count, the previous time too, in any case; how each is matched is
        // the search's own concern.
        for (const auto& [needle, count] : std::vector<std::pair<QString, int>>{
                 {"08:07:08+0000", 2}, {"8124 b/S", 1}, {"nowhere", 0}}) {
            f.filter(needle);
            QCOMPARE(f.count(), QStringLiteral("%1 of 4 records").arg(count));
        }
        // Escape works wherever the focus is in the window.
        f.list().setFocus();
        QTest::keyClick(&f.list(), Qt::Key_Escape);
        QVERIFY(!field.isVisible() && field.text().isEmpty());
        QCOMPARE(f.count(), QStringLiteral("4 records"));
        // Neither a status tip nor a field opened and closed untouched takes the count away.
        QStatusTipEvent tip(QStringLiteral("Read statistics from JSON Line file"));
        QApplication::sendEvent(f.window.get(), &tip);
        QTest::keyClick(f.window.get(), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClick(&field, Qt::Key_Escape);
        QCOMPARE(f.count(), QStringLiteral("4 records"));
        // Typing in the list opens the field again, empty, and types there.
        QTest::keyClicks(&f.list(), "spec");
        QVERIFY(field.isVisible() && field.hasFocus());
        QCOMPARE(field.text(), QStringLiteral("spec"));
    }

    void theCountSaysWhatTheFileHeld_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("count");
        const auto bytes = [](const std::string& text) { return QByteArray::fromStdString(text); };
        test::row("one", bytes(test::persistLines(1)), QStringLiteral("1 record"));
        test::row("grouped", bytes(test::persistLines(1234)), QStringLiteral("1,234 records"));
        test::row("bad lines", bytes(test::sampleBytes() + "{\"bad\":1}\n \nnot json\n"),
                  QStringLiteral("4 records, 2 lines skipped"));
        test::row("no JSON", bytes("not json\n"), QStringLiteral("0 records, 1 line skipped"));
    }
    void theCountSaysWhatTheFileHeld() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, count);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        test::MainWindowFixture f;
        f.load(bytes.toStdString());
        QCOMPARE(f.count(), count);
        QLocale::setDefault(QLocale::c());
    }

    void aLoadWhileTheFieldIsOpenIsFilteredAndSearchable() {
        // Searchable before the first key, again after a load into the empty field, and freed
        // when the field closes.
        test::MainWindowFixture f;
        f.load(test::sampleBytes());
        ui::StatListModel& listModel = test::part<ui::StatListModel>(*f.window);
        QVERIFY(!listModel.filterPrepared());
        QTest::keyClick(f.window.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(listModel.filterPrepared());
        f.load(test::sampleBytes(), "again.jsonl");
        QTRY_VERIFY(listModel.filterPrepared());
        // The filter stays for the next file.
        f.filter("special");
        f.load(test::persistLines(3) + test::sampleBytes(), "next.jsonl");
        QCOMPARE(shownFiles(*f.list().model()), QStringList{"/db/Special/0001.tracev3"});
        QCOMPARE(f.count(), QStringLiteral("1 of 7 records"));
        QCOMPARE(f.field().text(), QStringLiteral("special"));
        QTest::keyClick(&f.field(), Qt::Key_Escape);
        QVERIFY(!listModel.filterPrepared());
        f.load(test::sampleBytes(), "third.jsonl");
        QVERIFY(!listModel.filterPrepared());
    }

    void aSpanFromThePlotRestrictsTheListUntilCleared_data() {
        QTest::addColumn<QString>("text");    // typed into the filter first
        QTest::addColumn<bool>("process");    // the process filter set too
        QTest::addColumn<QString>("clear");   // how the span goes
        QTest::addColumn<QString>("counts");  // with the span; without
        test::row("alone, the button", QString(), false, QString("button"),
                  QString("3 of 4 records|4 records"));
        test::row("all three, the button", QString("Persist"), true, QString("button"),
                  QString("1 of 4 records|2 of 4 records"));
        test::row("process, Escape", QString(), true, QString("Escape"),
                  QString("2 of 4 records|4 records"));
        test::row("the plot shows the whole file", QString(), false, QString("plot"),
                  QString("3 of 4 records|4 records"));
        test::row("another load", QString("Persist"), false, QString("load"),
                  QString("1 of 4 records|2 of 4 records"));
    }
    void aSpanFromThePlotRestrictsTheListUntilCleared() {
        QFETCH(QString, text);
        QFETCH(bool, process);
        QFETCH(QString, clear);
        QFETCH(QString, counts);
        test::MainWindowFixture f;
        f.load(test::sampleBytes());
        if (!text.isEmpty()) f.filter(text);
        if (process) f.window->filterByProcess("kernel_task");  // the first three lines
        const TimeSpan span{1717488800.5, 1717489300.9};        // the Special line to the last
        f.model.setPlotSpan(span);
        f.window->filterBySpan(windowOf(span));
        QCOMPARE(f.count(), counts.section('|', 0, 0));
        QCOMPARE(test::part<QLabel>(*f.window, "spanFilter").text(),
                 "Span: 08:13:21+0000 2024-06-04 \u2013 08:21:40+0000 2024-06-04");
        if (clear == "button") test::part<QToolButton>(*f.window, "clearSpan").click();
        if (clear == "Escape") QTest::keyClick(&f.list(), Qt::Key_Escape);
        if (clear == "plot") f.model.setPlotSpan(std::nullopt);
        if (clear == "load") f.load(test::sampleBytes(), "again.jsonl");
        QTRY_COMPARE(f.count(), counts.section('|', 1));
        // The bar stays while another filter does.
        QVERIFY(!test::part<QLabel>(*f.window, "spanFilter").isVisible() &&
                f.field().isVisible() == counts.endsWith(" of 4 records"));
    }

    void chartSelectionChartsOnlyARowShown() {
        test::MainWindowFixture f;
        f.load(test::sampleBytes());
        const auto chart = [&] { QTest::keyClick(f.window.get(), Qt::Key_G, Qt::ControlModifier); };
        // The first row of a filtered list is the list's third line, not its first.
        f.filter("0002");
        f.select(0);
        chart();
        QCOMPARE(f.model.selectedStat()->file.view(), "/db/Persist/0002.tracev3");
        // Filtered out, the selected row is not charted.
        f.filter("Special");
        QVERIFY(!f.list().selectionModel()->hasSelection());
        f.model.setSelectedStat(std::nullopt);
        chart();
        QVERIFY(!f.model.selectedStat());
        // Shown again, it is still the selected row.
        QTest::keyClick(&f.field(), Qt::Key_Escape);
        QCOMPARE(f.list().selectionModel()->selectedRows().value(0).row(), 2);
        chart();
        QCOMPARE(f.model.selectedStat()->file.view(), "/db/Persist/0002.tracev3");
        // The list makes its first row current, unselected, when it takes the focus: the first
        // Down then selects that row, not the second.
        QTest::keyClick(&f.field(), Qt::Key_Escape);
        f.list().selectionModel()->setCurrentIndex(f.list().model()->index(0, 0),
                                                   QItemSelectionModel::Clear);
        QTest::keyClick(&f.list(), Qt::Key_Down);
        QCOMPARE(f.list().selectionModel()->selectedRows().value(0).row(), 0);
        // Home and End, with Ctrl or without, go to the first and last row; Tab leaves the row.
        for (const Qt::KeyboardModifiers ctrl : {Qt::NoModifier, Qt::ControlModifier}) {
            QTest::keyClick(&f.list(), Qt::Key_End, ctrl);
            QCOMPARE(f.list().currentIndex().row(), f.rows() - 1);
            QTest::keyClick(&f.list(), Qt::Key_Home, ctrl);
            QTest::keyClick(&f.list(), Qt::Key_Tab);
            QCOMPARE(f.list().currentIndex().row(), 0);
        }
    }

    void exportWritesTheRowsShownWholeOrNotAtAll() {
        test::MainWindowFixture f;
        auto* saver = new FakeSaveChooser;
        f.window->setSaveChooser(std::unique_ptr<ui::SaveChooser>(saver));
        QAction* exportAction = &test::part<QAction>(*f.window, "exportList");
        // Nothing loaded, or nothing read, there is nothing to export.
        QVERIFY(!exportAction->isEnabled());
        f.load("not json\n", "bad.jsonl");
        QVERIFY(!exportAction->isEnabled());
        f.load(test::sampleBytes());
        QVERIFY(exportAction->isEnabled());
        f.filter("r, \"Q");
        const auto exportTo = [&](std::optional<QString> path) {
            exportAction->trigger();
            saver->answer(std::move(path));
        };
        const QString path = QString::fromStdString((f.dir.path() / "out.csv").string());
        exportTo(path);
        QCOMPARE(saver->suggested, QStringList{"day.csv"});
        QCOMPARE(f.status(), QStringLiteral("Exported 1 record to \u201cout.csv\u201d"));
        QCOMPARE(readAll(path),
                 QByteArray("previous,time,interval_s,size,rate,file,unix_time,total_bytes\r\n"
                            ",08:21:40+0000 2024-06-04,,1 KB,,\"/db/other, \"\"quoted\"\".log\","
                            "1717489300,1500\r\n"));
        // A failed export is reported and writes nothing.
        QTest::keyClick(&f.field(), Qt::Key_Escape);
        const QString nowhere = QString::fromStdString((f.dir.path() / "gone" / "x.csv").string());
        exportTo(nowhere);
        QVERIFY2(f.status().startsWith(QStringLiteral("Could not export to \u201cx.csv\u201d: ")),
                 qPrintable(f.status()));
        QVERIFY(!QFile::exists(nowhere));
        // Cancelled, nothing is written; unfiltered, every line is.
        exportTo(std::nullopt);
        QCOMPARE(readAll(path).count('\n'), 2);
        exportTo(path);
        QCOMPARE(readAll(path).count("\r\n"), 5);  // the header and four lines
    }

    void aKeptSelectionComesIntoViewInAListLaidOutInBatches() {
        test::MainWindowFixture f;
        f.load(test::persistLines(120000));  // more than a batch
        f.select(119990);
        f.list().scrollToTop();
        f.filter("persist");
        const QModelIndex selected = f.list().selectionModel()->selectedRows().value(0);
        QCOMPARE(selected.row(), 119990);
        QTRY_VERIFY_WITH_TIMEOUT(
            f.list().viewport()->rect().intersects(f.list().visualRect(selected)), 20000);
    }

    void theToolbarKeepsItsArrangement_data() {
        QTest::addColumn<QVariant>("order");  // kept before the window opens; none: in the dialog
        QTest::addColumn<QVariant>("hidden");
        QTest::addColumn<QString>("items");  // in order, a hidden one after "-"
        test::row("arranged in the dialog", QVariant(), QVariant(),
                  QStringLiteral("plot readstats -chart"));
        // An item the order leaves out comes last, shown, whatever the hidden ones say.
        test::row("unknown and repeated names",
                  QVariant(QStringList{"plot", "bogus", "chart", "plot", ""}),
                  QVariant(QStringList{"nothing", "plot", "readstats"}),
                  QStringLiteral("-plot chart readstats"));
        test::row("not lists", QVariant(42), QVariant(QByteArray("\xff")),
                  QStringLiteral("readstats chart plot"));
    }
    void theToolbarKeepsItsArrangement() {
        QFETCH(QVariant, order);
        QFETCH(QVariant, hidden);
        test::MainWindowFixture f;
        const auto items = [&f] {
            QStringList shown;
            for (const QAction* item : test::part<QToolBar>(*f.window).actions())
                shown << (item->isVisible() ? "" : "-") + item->data().toString();
            return shown.join(' ');
        };
        if (order.isValid()) {
            QSettings().setValue("toolbar/order", order);
            QSettings().setValue("toolbar/hidden", hidden);
        } else {
            test::part<QAction>(*f.window, "customizeToolbar").trigger();
            auto& list = test::part<QListWidget>(*f.window, "toolbarItems");
            list.item(1)->setCheckState(Qt::Unchecked);
            list.setCurrentRow(2);
            for (int i = 0; i < 2; ++i) test::part<QPushButton>(*f.window, "moveUp").click();
            QVERIFY(!test::part<QPushButton>(*f.window, "moveUp").isEnabled());
            test::part<QDialog>(*f.window, "toolbarDialog").accept();
            QTEST(items(), "items");
        }
        f.window = std::make_unique<ui::ContentView>(f.model, f.opener, f.chooser);
        QTEST(items(), "items");
    }

    void aFollowedFileAddsItsCompleteLinesWhereTheListIs_data() {
        QTest::addColumn<bool>("atEnd");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("added");  // rows shown for the three complete lines added
        test::row("list at its end", true, QString(), 3);
        test::row("list in the middle", false, QString(), 3);
        test::row("filtered", true, QStringLiteral("persist"), 2);
    }
    void aFollowedFileAddsItsCompleteLinesWhereTheListIs() {
        QFETCH(bool, atEnd);
        QFETCH(QString, filter);
        QFETCH(int, added);
        test::MainWindowFixture f;
        QVERIFY(!test::part<QAction>(*f.window, "followFile").isEnabled());
        QAbstractItemModelTester tester(f.list().model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const std::string path = f.dir.write("day.jsonl", test::persistLines(200));
        follow(f, path);
        if (!filter.isEmpty()) f.filter(filter);
        f.select(atEnd ? 199 : 10);
        QCoreApplication::processEvents();
        QScrollBar& bar = *f.list().verticalScrollBar();
        atEnd ? f.list().scrollToBottom() : bar.setValue(bar.maximum() / 2);
        const int place = bar.value();
        // The last line is still being written: it waits for its line feed.
        const std::string cut = test::statLine(99999, 5, "Persist/cut");
        append(path, test::persistLines(2, 20000) + test::statLine(30000, 1, "Special/b") + "\n" +
                         cut.substr(0, 20));
        QTRY_COMPARE(f.rows(), 200 + added);
        QTRY_VERIFY(test::part<QLabel>(*f.window, "followStatus").text().contains("last addition"));
        const QModelIndex last = f.list().model()->index(f.rows() - 1, 0);
        if (atEnd)
            QTRY_VERIFY(f.list().viewport()->rect().contains(f.list().visualRect(last).center()));
        else
            QCOMPARE(bar.value(), place);
        QCOMPARE(f.list().selectionModel()->selectedRows().value(0).row(), atEnd ? 199 : 10);
        append(path, cut.substr(20) + "\n");
        QTRY_COMPARE(f.rows(), 201 + added);
        QCOMPARE(last.sibling(last.row() + 1, 0).data(ui::StatListModel::FileRole).toString(),
                 QStringLiteral("Persist/cut"));
        QVERIFY(f.count().startsWith(QString::number(201 + added)));
    }

    void aFollowedFileCutShortReplacedOrGoneIsToldAndFollowedOn_data() {
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("said");
        QTest::addColumn<int>("rows");
        test::row("truncated", 0, QStringLiteral("was cut short"), 2);
        test::row("replaced", 1, QStringLiteral("was replaced"), 3);
        test::row("vanished", 2, QStringLiteral("is gone"), 5);
        test::row("gone when read again", 3, QStringLiteral("Could not read"), 0);
    }
    void aFollowedFileCutShortReplacedOrGoneIsToldAndFollowedOn() {
        QFETCH(int, how);
        QFETCH(QString, said);
        QFETCH(int, rows);
        test::MainWindowFixture f;
        const std::string path = f.dir.write("day.jsonl", test::persistLines(5));
        if (how == 3) {
            f.open(path);
            std::filesystem::rename(path, path + ".away");
            QTest::keyClick(f.window.get(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        } else {
            follow(f, path);
        }
        if (how == 0) std::ofstream(path, std::ios::binary) << test::persistLines(2);
        if (how == 1)
            std::filesystem::rename(f.dir.write("new.jsonl", test::persistLines(3)), path);
        if (how == 2) std::filesystem::rename(path, path + ".away");
        QTRY_VERIFY(f.status().contains(said));
        QTRY_COMPARE(f.rows(), rows);
        if (how >= 2) {
            std::filesystem::rename(path + ".away", path);
            if (how == 2) QTRY_VERIFY(f.status().contains("is back"));
            rows = 5;
            QTRY_COMPARE(f.rows(), rows);
        }
        append(path, test::persistLines(1, 90000));
        QTRY_COMPARE(f.rows(), rows + 1);
    }

    void aFollowedFileEndsAsALoadOfItWould() {
        // Bursts cut anywhere for 20 s, the file truncated and replaced on the way.
        test::MainWindowFixture f;
        const std::string path = (f.dir.path() / "day.jsonl").string();
        test::FollowWriter writer(path, 20261207);
        follow(f, path);
        writer.run(std::chrono::seconds(20),
                   [](auto pause) { QTest::qWait(static_cast<int>(pause.count())); });
        // The texts hold the derived previous time, interval and rate, and the processes.
        const auto whole = readStatPath(path).table;
        QTRY_VERIFY_WITH_TIMEOUT(test::texts(f.model.statList()) == test::texts(*whole), 10000);
        QTRY_COMPARE(f.rows(), static_cast<int>(whole->size()));
    }

    void listModelShowsTheLinesOfItsLastRefreshWhole() {
        Quillstat model;
        ui::StatListModel listModel(model);
        QAbstractItemModelTester tester(&listModel,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        test::loadBytes(model, test::sampleBytes());
        listModel.refresh();
        // Each text of a drawn row comes from its own field; the previous time is that of the
        // line before of the same category.
        QStringList texts;
        for (const ui::RowText& text : ui::messageRowTexts(listModel.index(2), {}))
            texts << text.text;
        QCOMPARE(texts,
                 (QStringList{"08:07:08+0000 2024-06-04", "\u2013", "08:21:30+0000 2024-06-04",
                              "862 s", "6839 KB", "8124 B/s", "/db/Persist/0002.tracev3"}));
        listModel.setFilter("persist/0002");
        QCOMPARE(listModel.rowCount(), 1);
        QCOMPARE(listModel.line(0)->entry.file.view(), "/db/Persist/0002.tracev3");
        QVERIFY(!listModel.line(1));
        // Between a load and the refresh after it, the rows, their texts and the filter keep
        // to the lines of the last refresh.
        test::loadBytes(model, test::statLine(1000, 1, "one/db") + "\n");
        listModel.setFilter("db");
        QCOMPARE(shownFiles(listModel).last(), QStringLiteral("/db/other, \"quoted\".log"));
        QCOMPARE(shownFiles(listModel).size(), 4);
        listModel.refresh();
        listModel.setFilter("");
        QVERIFY(!listModel.filteredRows());
        QCOMPARE(shownFiles(listModel), QStringList{"one/db"});
    }

    void rowsKeepTheirColumnsAndTheEndOfTheirFile() {
        test::MainWindowFixture f;
        const std::string file = "/private/var/db/diagnostics/Persist/" + std::string(40, '0');
        // A ten-digit interval beside a short one.
        f.load(test::statLine(1, 1, file + "1") + "\n" + test::statLine(1234567890, 1, file + "2") +
               "\n" + test::statLine(1234567900, 1, file + "3") + "\n");
        f.window->resize(1440, 720);
        QCoreApplication::processEvents();
        QAbstractItemView& list = f.list();
        const auto& row = *qobject_cast<ui::MessageRow*>(list.itemDelegate());
        const auto rects = [&](int line) {
            QStyleOptionViewItem option;
            option.widget = &list;
            const QModelIndex index = list.model()->index(line, 0);
            option.rect = list.visualRect(index);
            return row.slotRects(option, ui::messageRowTexts(index, {}), index);
        };
        QCOMPARE(rects(1)[4].left(), rects(2)[4].left());
        // No sideways scrolling to tell the files apart: the end of each is shown, the whole
        // name in its tooltip.
        QCOMPARE(list.horizontalScrollBar()->maximum(), 0);
        QVERIFY(rects(2)[6].right() <= list.viewport()->width());
        QCOMPARE(list.model()->index(2, 0).data(Qt::ToolTipRole).toString(),
                 QString::fromStdString(file + "3"));
    }

    void rowsReadWellOnLightAndDarkBackgrounds() {
        QPalette light, dark;
        light.setColor(QPalette::Base, Qt::white);
        dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
        for (const QPalette& palette : {light, dark}) {
            const auto c = ui::rowColours(palette);
            const int base = palette.color(QPalette::Base).lightness();
            for (const QColor& colour : {c.brown, c.red, c.green})
                QVERIFY2(std::abs(colour.lightness() - base) > 60, qPrintable(colour.name()));
            QVERIFY(c.red.hue() < 20 && c.green.hue() > 90 && c.green.hue() < 150);
        }
        // The font's pitch is measured rather than asked: some monospaced fonts do not declare
        // themselves fixed-pitch.
        const QFontMetrics metrics(ui::messageRowFont());
        QCOMPARE(metrics.horizontalAdvance(QLatin1Char('i')),
                 metrics.horizontalAdvance(QLatin1Char('W')));
        QCOMPARE(metrics.horizontalAdvance(QLatin1Char('1')),
                 metrics.horizontalAdvance(QLatin1Char('m')));
    }
};

QTEST_MAIN(ListToolsTest)
#include "list_tools_test.moc"
