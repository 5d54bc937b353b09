// The Processes window: its figures, their order and filter, the main list it filters, and the
// plot's span it follows.

#include "ui/processes/processes_view.h"

#include <QAbstractItemModelTester>
#include <QRadioButton>
#include <QTableView>
#include <QToolButton>

#include "tests/ui/main_window/main_window_fixture.h"
#include "ui/processes/process_table_model.h"
#include "ui/processes/stack_chart.h"

using namespace quill;
using Column = ui::ProcessTableModel::Column;

namespace {

/// "Bee" twice in the first record, "cat" with a negative size; names whose byte order is not
/// their order ignoring case.
std::string threeRecords() {
    return test::statLine(1000, 0, "/db/Persist/1", {{"Bee", 1024}, {"Bee", 2048}, {"ant", 5000}}) +
           "\n" + test::statLine(2000, 0, "/db/Special/1", {{"Bee", 512}, {"cat", -3072}}) + "\n" +
           test::statLine(3000, 0, "/db/other/1", {{"ant", 10240}, {"Bee", 1536}}) + "\n";
}

/// The main window with the file loaded, and a Processes window beside it that filters it.
struct Windows {
    test::MainWindowFixture main;
    ui::ProcessesView view{main.model,
                           [this](const QString& name) { main.window->filterByProcess(name); }};
    QTableView& table = test::part<QTableView>(view, "processTable");
    ui::StackChart& chart = test::part<ui::StackChart>(view, "stackChart");
    QAbstractItemModelTester tester{table.model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal};

    Windows() {
        main.load(test::persistLines(2), "first.jsonl");
        // Straight on, while the first file's sums may still be made: only the last ones show.
        main.load(threeRecords());
        // The table first, the chart after it.
        QTRY_VERIFY(table.isEnabled() && !chart.buckets().starts.empty());
    }
    QStringList column(int column) const {
        QStringList texts;
        for (int row = 0; row < table.model()->rowCount(); ++row)
            texts << table.model()->index(row, column).data().toString();
        return texts;
    }
};

}  // namespace

class ProcessesViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void columnsSortAndFilter_data() {
        QTest::addColumn<int>("sortBy");  // -1: as the window opens, most bytes first
        QTest::addColumn<Qt::SortOrder>("order");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("column");  // the one read, top to bottom
        QTest::addColumn<QStringList>("texts");
        const auto row = [](const char* name, int sortBy, Qt::SortOrder order, QString filter,
                            Column column, QStringList texts) {
            test::row(name, sortBy, order, filter, int(column), texts);
        };
        const auto asc = Qt::AscendingOrder, desc = Qt::DescendingOrder;
        const QString t1 = "00:16:40+0000 1970-01-01", t2 = "00:33:20+0000 1970-01-01",
                      t3 = "00:50:00+0000 1970-01-01";
        row("names", -1, desc, "", Column::Name, {"ant", "Bee", "cat"});
        row("total KB", -1, desc, "", Column::TotalKb, {"14", "5", "-3"});
        row("share", -1, desc, "", Column::Share, {"88.2", "29.6", "-17.8"});
        row("records", -1, desc, "", Column::Records, {"2", "3", "1"});
        row("peak KB", -1, desc, "", Column::PeakKb, {"10", "3", "-3"});
        row("peak time", -1, desc, "", Column::PeakTime, {t3, t1, t2});
        row("first seen", -1, desc, "", Column::FirstSeen, {t1, t1, t2});
        row("last seen", -1, desc, "", Column::LastSeen, {t3, t3, t2});
        row("persist KB", -1, desc, "", Column::PersistKb, {"4", "3", "0"});
        row("special KB", -1, desc, "", Column::SpecialKb, {"0", "0", "-3"});
        row("other KB", -1, desc, "", Column::OtherKb, {"10", "1", "0"});
        // As text "-3" < "14" < "5" would sort.
        row("KB by value", Column::TotalKb, asc, "", Column::Name, {"cat", "Bee", "ant"});
        row("by records", Column::Records, desc, "", Column::Name, {"Bee", "ant", "cat"});
        row("names in byte order", Column::Name, asc, "", Column::Name, {"Bee", "ant", "cat"});
        row("filter in either case", -1, desc, "A", Column::Name, {"ant", "cat"});
        row("filter, then sort", Column::Name, desc, "a", Column::Name, {"cat", "ant"});
    }
    void columnsSortAndFilter() {
        QFETCH(int, sortBy);
        QFETCH(Qt::SortOrder, order);
        QFETCH(QString, filter);
        QFETCH(int, column);
        Windows w;
        if (sortBy >= 0) w.table.sortByColumn(sortBy, order);
        test::part<QLineEdit>(w.view, "processFilter").setText(filter);
        QTEST(w.column(column), "texts");
    }

    void doubleClickFiltersTheMainList_data() {
        QTest::addColumn<QString>("text");   // typed into the main list's filter first
        QTest::addColumn<QString>("shown");  // the count with the process filtered
        QTest::addColumn<bool>("escape");    // cleared by Escape, or else by the button
        QTest::addColumn<QString>("cleared");
        test::row("alone", QString(), QString("2 of 3 records"), true, QString("3 records"));
        test::row("with text", QString("Persist"), QString("1 of 3 records"), false,
                  QString("1 of 3 records"));
        test::row("text, Escape", QString("Special"), QString("0 of 3 records"), true,
                  QString("3 records"));
        test::row("button", QString(), QString("2 of 3 records"), false, QString("3 records"));
    }
    void doubleClickFiltersTheMainList() {
        QFETCH(QString, text);
        QFETCH(bool, escape);
        Windows w;
        if (!text.isEmpty()) w.main.filter(text);
        w.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.view));
        const QPoint ant = w.table.visualRect(w.table.model()->index(0, 0)).center();
        QTest::mouseClick(w.table.viewport(), Qt::LeftButton, {}, ant);
        QTest::mouseDClick(w.table.viewport(), Qt::LeftButton, {}, ant);
        QTEST(w.main.count(), "shown");
        QCOMPARE(test::part<QLabel>(*w.main.window, "processFilter").text(), "Process: ant");
        w.main.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.main.window.get()));
        if (escape)
            QTest::keyClick(&w.main.list(), Qt::Key_Escape);
        else
            test::part<QToolButton>(*w.main.window, "clearProcess").click();
        QTEST(w.main.count(), "cleared");
        QCOMPARE(w.main.field().isVisible(), !escape && !text.isEmpty());
    }

    void followsThePlotSpan_data() {
        QTest::addColumn<bool>("follow");
        QTest::addColumn<int>("sortBy");  // -1: most bytes first
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("totals");
        QTest::addColumn<QStringList>("legend");
        QTest::addColumn<QList<qint64>>("kb");  // the bar of the record at 2000, by series
        const QStringList wholeLegend{"ant", "Bee", "cat", "other"};
        test::row("whole file", false, -1, QStringList{"ant", "Bee", "cat"},
                  QStringList{"14", "5", "-3"}, wholeLegend, QList<qint64>{0, 0, -3, 0});
        test::row("span", true, -1, QStringList{"Bee", "cat"}, QStringList{"0", "-3"},
                  QStringList{"Bee", "cat", "other"}, QList<qint64>{0, -3, 0});
        test::row("span, sorted", true, int(Column::Name), QStringList{"cat", "Bee"},
                  QStringList{"-3", "0"}, QStringList{"Bee", "cat", "other"},
                  QList<qint64>{0, -3, 0});
    }
    void followsThePlotSpan() {
        QFETCH(bool, follow);
        QFETCH(int, sortBy);
        QFETCH(QStringList, names);
        Windows w;
        if (sortBy >= 0) w.table.sortByColumn(sortBy, Qt::DescendingOrder);
        const QStringList whole = w.column(Column::Name);
        w.table.setCurrentIndex(w.table.model()->index(int(whole.indexOf("Bee")), 0));
        test::part<QRadioButton>(w.view, follow ? "plotSpan" : "wholeFile").setChecked(true);
        w.main.model.setPlotSpan(TimeSpan{2500, 3500});  // overtaken before its sums come
        QCoreApplication::processEvents();
        w.main.model.setPlotSpan(TimeSpan{1500, 2500});
        QTRY_COMPARE(w.column(Column::Name), names);
        QTEST(w.column(Column::TotalKb), "totals");
        QCOMPARE(w.table.currentIndex().data().toString(), "Bee");
        const ProcessBuckets& buckets = w.chart.buckets();
        QStringList legend;
        for (std::size_t j = 0; j < buckets.series(); ++j) legend << w.chart.shortName(j);
        QTEST(legend, "legend");
        // Bars of a minute each, from the minute of the window's first record.
        QCOMPARE(buckets.unit, BucketUnit::Minute);
        QCOMPARE(buckets.starts.front() % 60, 0);
        const std::size_t at = static_cast<std::size_t>((2000 - buckets.starts.front()) / 60);
        QList<qint64> kb;
        for (std::size_t j = 0; j < buckets.series(); ++j)
            kb << clampedToInt64(buckets.at(at, j) / 1024);
        QTEST(kb, "kb");
        w.main.model.setPlotSpan(std::nullopt);
        QTRY_COMPARE(w.column(Column::Name), whole);
    }

    void takesInAGrowingFileAtOnce() {
        Windows w;
        test::FollowedFile file(w.main.model, threeRecords());
        QCoreApplication::processEvents();  // the file loaded anew is wanted, not yet shown
        QTRY_VERIFY(w.table.isEnabled() && w.chart.buckets().processes.size() == 3);
        QVERIFY(file.append(
            test::statLine(4000, 0, "/db/Persist/2", {{"cat", 9216}, {"dog", 1024}}) + "\n"));
        // The new line alone is summed, at once; the chart follows with the index made anew.
        QCoreApplication::processEvents();
        QCOMPARE(w.column(Column::Name), (QStringList{"ant", "cat", "Bee", "dog"}));
        QCOMPARE(w.column(Column::TotalKb), (QStringList{"14", "6", "5", "1"}));
        QTRY_COMPARE(w.chart.buckets().processes.size(), 4u);
    }

    void zoomingTheChartMovesThePlot() {
        Windows w;
        w.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.view));
        const QPoint middle = w.chart.rect().center();
        QWheelEvent wheel(middle, w.chart.mapToGlobal(middle), {}, {0, 120}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&w.chart, &wheel);
        // The chart of the whole file starts following the plot, zoomed in about the pointer.
        QVERIFY(w.view.followsPlot());
        const std::optional<TimeSpan> span = w.main.model.plotSpan();
        QVERIFY(span && span->from > 1000 && span->to < 3001 && span->to - span->from < 2001 * 0.9);
        QTRY_COMPARE(w.chart.shownSpan(), (ui::AxisRange{span->from, span->to}));
        QTest::keyClick(&w.chart, Qt::Key_Home);
        QVERIFY(!w.main.model.plotSpan());
    }
};

QTEST_MAIN(ProcessesViewTest)
#include "processes_view_test.moc"
