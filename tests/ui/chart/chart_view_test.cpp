#include "ui/chart/chart_view.h"

#include <QAbstractBarSeries>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QToolTip>
#include <QValueAxis>

#include "analysis/quillstat.h"
#include "tests/support.h"
#include "tests/ui/common/screenshot.h"
#include "ui/model_observer.h"
#include "ui/window_names.h"

namespace quill {
namespace {

constexpr long long kMay17 = 1715954607;  // 2024-05-17 14:03:27 UTC

StatLine line(long long totalBytes, const std::string& file,
              const std::vector<test::Proc>& processes = {}) {
    StatLine result;
    result.entry = test::entry(kMay17, totalBytes, file, processes);
    return result;
}

/// Processes "p1" to "p<n>", process k holding k KB, so a bar tells its number by its height.
std::vector<test::Proc> numbered(int n) {
    std::vector<test::Proc> processes;
    for (int k = 1; k <= n; ++k) processes.push_back({"p" + std::to_string(k), k * 1024LL});
    return processes;
}

QStringList numberedColumns(int first, int last) {
    QStringList columns;
    for (int k = first; k <= last; ++k) columns << QStringLiteral("p%1:%1").arg(k);
    return columns;
}

/// Lets the view catch up with the model, as it does once per turn of the event loop.
void settle() {
    QCoreApplication::processEvents();
}

template <typename T>
T* child(QWidget& view, const char* name) {
    T* found = view.findChild<T*>(QLatin1String(name));
    if (!found) qFatal("no child named %s", name);
    return found;
}

QChart* chartOf(QWidget& view) {
    return child<QChartView>(view, "barChart")->chart();
}

/// What the chart draws, one "category:bottom+...+top" per column, sizes in KB. Checks on the
/// way that every stack level has exactly one value per category.
QStringList columns(QWidget& view) {
    QChart* chart = chartOf(view);
    if (chart->series().size() != 1) qFatal("expected one bar series");
    auto* series = qobject_cast<QAbstractBarSeries*>(chart->series().first());
    auto* axis = qobject_cast<QBarCategoryAxis*>(chart->axes(Qt::Horizontal).value(0));
    if (!series || !axis) qFatal("expected bars on a category axis");
    QStringList result;
    for (int i = 0; i < axis->count(); ++i) {
        QStringList stack;
        for (const QBarSet* set : series->barSets()) {
            if (set->count() != axis->count()) qFatal("a stack level misses categories");
            if (set->at(i) != 0) stack << QString::number(set->at(i));
        }
        result << axis->at(i) + QLatin1Char(':') + stack.join(QLatin1Char('+'));
    }
    return result;
}

QValueAxis* sizeAxis(QWidget& view) {
    return qobject_cast<QValueAxis*>(chartOf(view)->axes(Qt::Vertical).value(0));
}

QString text(QWidget& view, const char* name) {
    return child<QLabel>(view, name)->text();
}

}  // namespace

}  // namespace quill

Q_DECLARE_METATYPE(std::vector<quill::test::Proc>)

namespace quill {

class ChartViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { zone_ = std::make_unique<test::ScopedTimeZone>("UTC"); }
    void cleanupTestCase() { zone_.reset(); }

    void showsNothingUntilARecordIsCharted() {
        Quillstat model;
        test::loadBytes(model, test::statLine(kMay17, 1, "loaded.jsonl", numbered(3)) + "\n");
        ui::ChartView view(model);
        view.show();
        settle();
        QCOMPARE(view.windowTitle(), QStringLiteral("Bar chart"));
        QCOMPARE(view.minimumSize(), QSize(0, 0));
        QVERIFY(!view.findChildren<QWidget*>().isEmpty());
        for (const QWidget* widget : view.findChildren<QWidget*>())
            QVERIFY2(!widget->isVisible(), qPrintable(widget->objectName()));
    }

    void emptiesAgainWhenTheRecordGoes() {
        Quillstat model;
        ui::ChartView view(model);
        view.show();
        model.selectStat(line(2048, "stats.jsonl", numbered(3)));
        settle();
        QVERIFY(child<QChartView>(view, "barChart")->isVisible());

        model.setSelectedStat(std::nullopt);
        settle();
        QCOMPARE(view.windowTitle(), QStringLiteral("Bar chart"));
        QCOMPARE(view.minimumSize(), QSize(0, 0));
        QVERIFY(!child<QChartView>(view, "barChart")->isVisible());
        QVERIFY(!child<QSlider>(view, "startSlider")->isVisible());
        QVERIFY(!child<QLabel>(view, "dateText")->isVisible());
    }

    void header_data() {
        QTest::addColumn<long long>("totalBytes");
        QTest::addColumn<QString>("sizeText");
        QTest::newRow("under one KB") << 1023LL << QStringLiteral("0 KB total size ");
        QTest::newRow("exactly one KB") << 1024LL << QStringLiteral("1 KB total size ");
        QTest::newRow("just under two KB") << 2047LL << QStringLiteral("1 KB total size ");
        QTest::newRow("five KB") << 5120LL << QStringLiteral("5 KB total size ");
        QTest::newRow("negative, toward zero") << -1025LL << QStringLiteral("-1 KB total size ");
        QTest::newRow("largest") << 9223372036854775807LL
                                 << QStringLiteral("9007199254740991 KB total size ");
    }
    void header() {
        QFETCH(long long, totalBytes);
        QFETCH(QString, sizeText);
        Quillstat model;
        ui::ChartView view(model);
        view.show();
        model.selectStat(line(totalBytes, "stats.jsonl"));
        settle();
        QCOMPARE(text(view, "dateText"), QStringLiteral("2024-05-17 14:03:27+0000"));
        QCOMPARE(text(view, "sizeText"), sizeText);
        QVERIFY(child<QLabel>(view, "sizeText")->isVisible());
    }

    void titleAndMinimumSize_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("path") << QStringLiteral("/var/log/quill/stats-2024.jsonl");
        QTest::newRow("markup is not interpreted") << QStringLiteral("<b>odd</b> & name");
        QTest::newRow("empty") << QString();
    }
    void titleAndMinimumSize() {
        QFETCH(QString, file);
        Quillstat model;
        ui::ChartView view(model);
        view.show();
        model.selectStat(line(1024, file.toStdString()));
        settle();
        QCOMPARE(view.windowTitle(), file);
        QCOMPARE(view.minimumSize(), QSize(400, 200));
        QCOMPARE(view.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    }

    void sliders_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("initial");
        QTest::newRow("start") << QStringLiteral("start") << QStringLiteral("Start") << 1 << 40
                               << 1;
        QTest::newRow("width") << QStringLiteral("width") << QStringLiteral("Width") << 6 << 25
                               << 12;
    }
    void sliders() {
        QFETCH(QString, name);
        QFETCH(QString, label);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, initial);
        Quillstat model;
        ui::ChartView view(model);
        view.show();
        model.selectStat(line(1024, "stats.jsonl", numbered(3)));
        settle();
        auto* slider = view.findChild<QSlider*>(name + QStringLiteral("Slider"));
        QVERIFY(slider && slider->isVisible());
        QCOMPARE(slider->orientation(), Qt::Horizontal);
        QCOMPARE(slider->value(), initial);
        QCOMPARE(slider->minimum(), minimum);
        QCOMPARE(slider->maximum(), maximum);
        QCOMPARE(slider->singleStep(), 1);
        auto texts = [&](const QString& suffix) {
            return view.findChild<QLabel*>(name + suffix)->text();
        };
        QCOMPARE(texts(QStringLiteral("Label")), label);
        QCOMPARE(texts(QStringLiteral("MinText")), QString::number(minimum));
        QCOMPARE(texts(QStringLiteral("MaxText")), QString::number(maximum));
        // The label comes before the slider, the end texts at its two ends.
        const int x = slider->mapTo(&view, QPoint()).x();
        auto left = [&](const QString& suffix) {
            return view.findChild<QLabel*>(name + suffix)->mapTo(&view, QPoint()).x();
        };
        QVERIFY(left(QStringLiteral("Label")) < left(QStringLiteral("MinText")));
        QVERIFY(left(QStringLiteral("MinText")) < x);
        QVERIFY(x + slider->width() <= left(QStringLiteral("MaxText")));
    }

    void initialSlidersDrawTheFirstTwelve() {
        Quillstat model;
        ui::ChartView view(model);
        view.show();
        model.selectStat(line(1 << 20, "stats.jsonl", numbered(30)));
        settle();
        QCOMPARE(columns(view), numberedColumns(1, 12));
    }

    void slidersAtTheirEndsDrawFortyToSixtyFour() {
        Quillstat model;
        ui::ChartView view(model);
        view.show();
        model.selectStat(line(1 << 20, "stats.jsonl", numbered(70)));
        settle();
        QTest::keyClick(child<QSlider>(view, "startSlider"), Qt::Key_End);
        QTest::keyClick(child<QSlider>(view, "widthSlider"), Qt::Key_End);
        QCOMPARE(child<QSlider>(view, "startSlider")->value(), 40);
        QCOMPARE(child<QSlider>(view, "widthSlider")->value(), 25);
        QCOMPARE(columns(view), numberedColumns(40, 64));
    }

    void movingASliderRedrawsAtOnce() {
        Quillstat model;
        ui::ChartView view(model);
        view.show();
        model.selectStat(line(1 << 20, "stats.jsonl", numbered(30)));
        settle();
        QTest::keyClick(child<QSlider>(view, "startSlider"), Qt::Key_Right);
        QCOMPARE(columns(view), numberedColumns(2, 13));
        QTest::keyClick(child<QSlider>(view, "widthSlider"), Qt::Key_Home);
        QCOMPARE(columns(view), numberedColumns(2, 7));
        QTest::keyClick(child<QSlider>(view, "startSlider"), Qt::Key_PageUp);
        QCOMPARE(columns(view), numberedColumns(12, 17));
    }

    void fewerProcessesThanStartDrawNoBars() {
        Quillstat model;
        ui::ChartView view(model);
        view.show();
        model.selectStat(line(5120, "stats.jsonl", numbered(30)));
        settle();
        child<QSlider>(view, "startSlider")->setValue(31);
        QCOMPARE(columns(view), QStringList());
        model.selectStat(line(5120, "short.jsonl", numbered(3)));
        settle();
        QCOMPARE(columns(view), QStringList());
        for (const char* name : {"dateText", "sizeText", "startLabel", "widthMaxText"})
            QVERIFY2(child<QLabel>(view, name)->isVisible(), name);
        QVERIFY(child<QSlider>(view, "startSlider")->isVisible());
        QVERIFY(child<QSlider>(view, "widthSlider")->isVisible());
        QVERIFY(child<QChartView>(view, "barChart")->isVisible());
        QCOMPARE(text(view, "sizeText"), QStringLiteral("5 KB total size "));
    }

    void rowsSharingAProcessStack() {
        Quillstat model;
        ui::ChartView view(model);
        view.show();
        // Two different paths with one short name, and a plain repeat, all in the window.
        model.selectStat(
            line(1 << 20, "stats.jsonl",
                 {{"/usr/bin/x", 2048}, {"y", 5120}, {"/opt/x", 3072}, {"x", 1024}, {"z", 4096}}));
        settle();
        QCOMPARE(columns(view), (QStringList{"x:2+3+1", "y:5", "z:4"}));
        QCOMPARE(chartOf(view)->series().first()->type(), QAbstractSeries::SeriesTypeStackedBar);
        QVERIFY(sizeAxis(view)->min() <= 0);
        QVERIFY(sizeAxis(view)->max() >= 6);  // the stack of x reaches 6 KB
    }

    void hoveringABarNamesIt() {
        Quillstat model;
        ui::ChartView view(model);
        view.resize(800, 500);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const std::string longName = "com.apple.WebKit.WebContent.Extension";
        model.selectStat(
            line(1 << 20, "stats.jsonl", {{"a<b>", 4096}, {longName, 8192}, {longName, 2048}}));
        settle();
        auto* chartView = child<QChartView>(view, "barChart");
        auto* series = chartOf(view)->series().first();
        // Points the mouse at a place given in chart values: category index, KB.
        auto hover = [&](QPointF value) {
            const QPointF scene = chartOf(view)->mapToPosition(value, series);
            QTest::mouseMove(chartView->viewport(), chartView->mapFromScene(scene));
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        // The upper bar of the second column, 8 KB below it and 2 KB in it: the whole name.
        QTRY_VERIFY(hover({1, 9}).contains(QStringLiteral("WebContent.Extension: 2 KB")));
        QTRY_VERIFY(hover({0, 2}).contains(QStringLiteral("a&lt;b&gt;: 4 KB")));
    }

    void valueAxisHoldsEveryStack_data() {
        QTest::addColumn<std::vector<test::Proc>>("processes");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::newRow("none") << std::vector<test::Proc>{} << 0.0 << 0.0;
        QTest::newRow("under one KB") << std::vector<test::Proc>{{"a", 512}} << 0.0 << 0.0;
        QTest::newRow("large") << std::vector<test::Proc>{{"a", 3LL << 40}, {"a", 1LL << 40}} << 0.0
                               << 4294967296.0;
        QTest::newRow("negative") << std::vector<test::Proc>{{"a", -4096}, {"b", 2048}} << -4.0
                                  << 2.0;
    }
    void valueAxisHoldsEveryStack() {
        QFETCH(std::vector<test::Proc>, processes);
        QFETCH(double, low);
        QFETCH(double, high);
        Quillstat model;
        ui::ChartView view(model);
        view.show();
        model.selectStat(line(1024, "stats.jsonl", processes));
        settle();
        QValueAxis* axis = sizeAxis(view);
        QVERIFY2(axis->min() <= low && axis->max() >= high,
                 qPrintable(QStringLiteral("%1 to %2").arg(axis->min()).arg(axis->max())));
        QVERIFY(axis->max() > axis->min());
    }

    void chartingAnotherRecordKeepsTheSliders() {
        Quillstat model;
        ui::ChartView view(model);
        view.show();
        model.selectStat(line(1 << 20, "first.jsonl", numbered(30)));
        settle();
        child<QSlider>(view, "startSlider")->setValue(3);
        child<QSlider>(view, "widthSlider")->setValue(7);

        std::vector<test::Proc> renamed;
        for (int k = 1; k <= 20; ++k) renamed.push_back({"q" + std::to_string(k), 2048LL * k});
        model.selectStat(line(3072, "second.jsonl", renamed));
        settle();
        QCOMPARE(view.windowTitle(), QStringLiteral("second.jsonl"));
        QCOMPARE(text(view, "sizeText"), QStringLiteral("3 KB total size "));
        QCOMPARE(child<QSlider>(view, "startSlider")->value(), 3);
        QCOMPARE(child<QSlider>(view, "widthSlider")->value(), 7);
        QStringList expected;
        for (int k = 3; k <= 9; ++k) expected << QStringLiteral("q%1:%2").arg(k).arg(2 * k);
        QCOMPARE(columns(view), expected);
    }

    void followsOnlyTheChartedRecord() {
        Quillstat model;
        ui::ChartView view(model);
        auto* observer = view.findChild<ui::ModelObserver*>();
        QVERIFY(observer);
        QCOMPARE(observer->subscribedFields(), FieldSet{Field::SelectedStat});
        model.selectStat(line(1024, "stats.jsonl", numbered(30)));
        settle();
        QCOMPARE(observer->subscribedFields(),
                 (FieldSet{Field::SelectedStat, Field::SelectedStatStats}));
        // Loading another file rewrites the list and the series, which this window never shows.
        const int draws = observer->drawCount();
        test::loadBytes(model, test::statLine(kMay17, 1, "other.jsonl") + "\n");
        settle();
        QCOMPARE(observer->drawCount(), draws);
        QCOMPARE(view.windowTitle(), QStringLiteral("stats.jsonl"));
    }

    void screenshots() {
        Quillstat model;
        const std::vector<test::Proc> processes{
            {"/usr/libexec/logd", 48LL << 20},
            {"/System/Library/PrivateFrameworks/SkyLight.framework/Resources/WindowServer",
             310LL << 20},
            {"kernel_task", 1200LL << 20},
            {"/System/Library/CoreServices/Finder.app/Contents/MacOS/Finder", 95LL << 20},
            {"/usr/sbin/mDNSResponder", 12LL << 20},
            {"com.apple.WebKit.WebContent", 640LL << 20},
            {"com.apple.WebKit.WebContent", 420LL << 20},
            {"/usr/libexec/trustd", 7LL << 20},
            {"<unnamed & odd> helper & friends", 30LL << 20},
            {"/Applications/Safari.app/Contents/MacOS/Safari", 520LL << 20},
            {"/usr/libexec/syspolicyd", 22LL << 20},
            {"launchd", 18LL << 20},
        };
        const std::string bytes =
            test::statLine(kMay17, 3LL << 30, "/var/log/stats.jsonl", processes) + "\n";
        QCOMPARE(test::loadBytes(model, bytes).status, LoadStatus::Loaded);
        ui::ChartView view(model);
        view.resize(800, 500);
        view.show();
        model.selectStat(model.statList().at(0));
        settle();
        QCOMPARE(columns(view).size(), 11);
        test::saveScreenshot(view, QStringLiteral("chart-800x500"));
        view.resize(400, 200);
        settle();
        test::saveScreenshot(view, QStringLiteral("chart-minimum"));

        Quillstat many;
        ui::ChartView wide(many);
        wide.resize(1000, 560);
        wide.show();
        many.selectStat(line(1 << 30, "many.jsonl", numbered(70)));
        settle();
        QTest::keyClick(child<QSlider>(wide, "widthSlider"), Qt::Key_End);
        test::saveScreenshot(wide, QStringLiteral("chart-25-bars"));
    }

private:
    std::unique_ptr<test::ScopedTimeZone> zone_;
};

}  // namespace quill

QTEST_MAIN(quill::ChartViewTest)
#include "chart_view_test.moc"
