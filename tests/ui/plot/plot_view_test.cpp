// The plot window's content driven like a user would: its title, the toggles, the moments picked
// by moving the pointer over the charts, and what the charts show after a load.

#include "ui/plot/plot_view.h"

#include <QChart>
#include <QCheckBox>
#include <QDateTimeAxis>
#include <QHoverEvent>
#include <QLabel>
#include <QLayout>
#include <QLegend>
#include <QLegendMarker>
#include <QScatterSeries>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <memory>

#include "tests/support.h"
#include "tests/ui/common/screenshot.h"
#include "ui/plot/point_chart.h"

namespace quill::ui {

namespace {

const QStringList kBlockKeys{QStringLiteral("rate"), QStringLiteral("persist"),
                             QStringLiteral("special")};

/// 2024-03-05 13:07:09 UTC.
constexpr long long kKnownInstant = 1709644029;

/// A statistics file of `lines` lines cycling through Persist, Special and other files, each
/// listing three to six processes whose sizes drift with time: what a store's log looks like.
std::string realisticFile(int lines, long long start = 1709596800) {
    std::uint32_t state = 12345;
    const auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    const char* files[] = {"/store/Persist/0x1a2b", "/store/Special/0x0c41", "/store/Other/0x0317"};
    std::string out;
    long long time = start;
    for (int i = 0; i < lines; ++i) {
        time += 60 + next() % 240;
        std::vector<test::Proc> processes;
        long long total = 0;
        const int count = 3 + static_cast<int>(next() % 4);
        for (int k = 0; k < count; ++k) {
            const double drift = 1 + 0.5 * std::sin(i / (40.0 + 25 * k) + k);
            const auto size = static_cast<long long>((k + 1) * 900'000 * drift) + next() % 400'000;
            processes.push_back({"process" + std::to_string(k), size});
            total += size;
        }
        out += test::statLine(time, total, files[i % 3], processes) + "\n";
    }
    return out;
}

/// Two Persist lines a minute apart around `kKnownInstant`, nothing at the instant itself.
std::string knownMinuteFile() {
    const std::vector<test::Proc> processes{{"a", 4096}, {"b", 8192}, {"c", 2048}};
    return test::statLine(kKnownInstant - 30, 14336, "/store/Persist/1", processes) + "\n" +
           test::statLine(kKnownInstant + 30, 28672, "/store/Persist/1", processes) + "\n";
}

template <typename T = QWidget>
T* part(QWidget& view, const QString& name) {
    T* found = view.findChild<T*>(name);
    if (!found) qFatal("no child named %s", qPrintable(name));
    return found;
}

PointChart* chartOf(QWidget& view, const QString& key) {
    return part<PointChart>(view, key + QStringLiteral("Chart"));
}

/// The date text a header shows; null while it shows none.
QString headerDate(QWidget& view, const QString& key) {
    auto* label = part<QLabel>(view, key + QStringLiteral("HeaderDate"));
    return label->isVisibleTo(&view) ? label->text() : QString();
}

/// Where the chart draws `seconds` on its time axis, halfway up, in its viewport's coordinates.
QPoint pointAtMoment(PointChart& chart, double seconds) {
    QChart* c = chart.chart();
    QPointF inChart = c->mapToPosition(QPointF(seconds * 1000, 0), c->series().first());
    inChart.setY(c->plotArea().center().y());
    return chart.mapFromScene(c->mapToScene(inChart));
}

QPoint plotCentre(PointChart& chart) {
    QChart* c = chart.chart();
    return chart.mapFromScene(c->mapToScene(c->plotArea().center()));
}

void hover(PointChart& chart, QPoint at) {
    QTest::mouseMove(chart.viewport(), at);
}

QStringList legendTexts(PointChart& chart) {
    QStringList texts;
    for (QLegendMarker* marker : chart.chart()->legend()->markers())
        texts.push_back(marker->label());
    return texts;
}

}  // namespace

class PlotViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void titleNamesTheLoadedFile();
    void opensWithEveryChartEmptyAndNoDates();
    void togglesHideBlocksWithoutLeavingGaps_data();
    void togglesHideBlocksWithoutLeavingGaps();
    void hoverPicksAMomentOnItsOwnChart();
    void momentStaysAfterThePointerLeaves();
    void momentIsTheTimeUnderThePointer();
    void chartWithoutPointsPicksNothing();
    void momentSurvivesHidingItsBlock();
    void loadReplacesSeriesAndKeepsViewState();
    void legendNamesEachValueInItsOwnColour();
    void pointsLieWhereTheAxesPlaceThem();
    void screenshot();

private:
    /// Shows the view and waits until its points are on screen.
    void showAndSettle();
    void load(const std::string& bytes, const std::string& name = "stats.jsonl");

    std::unique_ptr<Quillstat> model_;
    std::unique_ptr<PlotView> view_;
};

void PlotViewTest::init() {
    model_ = std::make_unique<Quillstat>();
    view_ = std::make_unique<PlotView>(*model_);
    view_->resize(900, 960);
}

void PlotViewTest::cleanup() {
    view_.reset();
    model_.reset();
}

void PlotViewTest::showAndSettle() {
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    QTRY_VERIFY(view_->pointsUpToDate());
}

void PlotViewTest::load(const std::string& bytes, const std::string& name) {
    QCOMPARE(test::loadBytes(*model_, bytes, name).status, LoadStatus::Loaded);
    QTRY_COMPARE(view_->windowTitle(), QStringLiteral("Log data: ") + QString::fromStdString(name));
    if (view_->isVisible()) QTRY_VERIFY(view_->pointsUpToDate());
}

void PlotViewTest::titleNamesTheLoadedFile() {
    QCOMPARE(view_->windowTitle(), QStringLiteral("Log data: "));
    load(realisticFile(30), "first.jsonl");
    QCOMPARE(view_->windowTitle(), QStringLiteral("Log data: first.jsonl"));
    load(realisticFile(30), "a second  file %1.jsonl");
    QCOMPARE(view_->windowTitle(), QStringLiteral("Log data: a second  file %1.jsonl"));
}

void PlotViewTest::opensWithEveryChartEmptyAndNoDates() {
    showAndSettle();
    test::saveScreenshot(*view_, QStringLiteral("plot_view_empty"));
    for (const QString& key : kBlockKeys) {
        QVERIFY(part(*view_, key + QStringLiteral("Block"))->isVisible());
        QVERIFY(part<QCheckBox>(*view_, QStringLiteral("show") + key.at(0).toUpper() + key.mid(1))
                    ->isChecked());
        QVERIFY(headerDate(*view_, key).isNull());
        QVERIFY(chartOf(*view_, key)->points().empty());
    }
    QCOMPARE(part<QLabel>(*view_, QStringLiteral("rateHeaderTitle"))->text(), "Rate (KB/s)");
    QCOMPARE(part<QLabel>(*view_, QStringLiteral("persistHeaderTitle"))->text(), "Persist (KB)");
    QCOMPARE(part<QLabel>(*view_, QStringLiteral("specialHeaderTitle"))->text(), "Special (KB)");
    for (const char* text : {"Show Rate", "Show Persist", "Show Special"}) {
        const QString key = QString::fromLatin1(text).remove(QLatin1Char(' '));
        auto* label = part<QLabel>(*view_, key.at(0).toLower() + key.mid(1) + "Label");
        QCOMPARE(label->text(), QString::fromLatin1(text));
        QVERIFY(part<QCheckBox>(*view_, key.at(0).toLower() + key.mid(1))->text().isEmpty());
        QVERIFY(label->geometry().right() < label->buddy()->geometry().left());
    }
}

void PlotViewTest::togglesHideBlocksWithoutLeavingGaps_data() {
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("all shown") << QStringList{}
                               << QStringList{"toggleRow", "rateBlock", "persistBlock",
                                              "specialBlock"};
    QTest::newRow("Persist off") << QStringList{"showPersist"}
                                 << QStringList{"toggleRow", "rateBlock", "specialBlock"};
    QTest::newRow("Rate off") << QStringList{"showRate"}
                              << QStringList{"toggleRow", "persistBlock", "specialBlock"};
    QTest::newRow("Special off") << QStringList{"showSpecial"}
                                 << QStringList{"toggleRow", "rateBlock", "persistBlock"};
    QTest::newRow("all off") << QStringList{"showRate", "showPersist", "showSpecial"}
                             << QStringList{"toggleRow"};
    QTest::newRow("off and on again") << QStringList{"showRate", "showSpecial", "showRate"}
                                      << QStringList{"toggleRow", "rateBlock", "persistBlock"};
}

void PlotViewTest::togglesHideBlocksWithoutLeavingGaps() {
    QFETCH(QStringList, clicks);
    QFETCH(QStringList, shown);
    load(realisticFile(60));
    showAndSettle();
    for (const QString& name : clicks) QTest::mouseClick(part(*view_, name), Qt::LeftButton);
    QCoreApplication::processEvents();

    QList<QWidget*> visible;
    for (const char* name : {"toggleRow", "rateBlock", "persistBlock", "specialBlock"}) {
        QWidget* widget = part(*view_, QString::fromLatin1(name));
        QCOMPARE(widget->isVisible(), shown.contains(QString::fromLatin1(name)));
        if (widget->isVisible()) visible.push_back(widget);
    }
    std::ranges::sort(visible, {}, [](QWidget* w) { return w->geometry().top(); });
    QStringList order;
    for (QWidget* widget : visible) order.push_back(widget->objectName());
    QCOMPARE(order, shown);
    // Each shown block follows the one above it: nothing hidden keeps its room (a chart alone
    // is taller than any gap the layout leaves).
    for (qsizetype i = 1; i < visible.size(); ++i)
        QVERIFY(visible[i]->geometry().top() - visible[i - 1]->geometry().bottom() <= 20);
    QCOMPARE(visible.front()->geometry().top(), view_->layout()->contentsMargins().top());
    for (const QString& name : {QStringLiteral("showRate"), QStringLiteral("showPersist"),
                                QStringLiteral("showSpecial")}) {
        const QString block = name.mid(4).toLower() + QStringLiteral("Block");
        QCOMPARE(part<QCheckBox>(*view_, name)->isChecked(), shown.contains(block));
    }
}

void PlotViewTest::hoverPicksAMomentOnItsOwnChart() {
    load(realisticFile(300));
    showAndSettle();
    const int rebuilds = view_->rasterRebuildCount();

    hover(*chartOf(*view_, "rate"), plotCentre(*chartOf(*view_, "rate")));
    const QString rateDate = headerDate(*view_, "rate");
    QVERIFY(!rateDate.isEmpty());
    QVERIFY(headerDate(*view_, "persist").isNull());
    QVERIFY(headerDate(*view_, "special").isNull());

    PointChart& persist = *chartOf(*view_, "persist");
    hover(persist, plotCentre(persist) + QPoint(-150, 0));
    const QString persistDate = headerDate(*view_, "persist");
    QVERIFY(!persistDate.isEmpty());
    QCOMPARE(headerDate(*view_, "rate"), rateDate);
    QVERIFY(headerDate(*view_, "special").isNull());
    hover(persist, plotCentre(persist) + QPoint(150, 0));
    QVERIFY(headerDate(*view_, "persist") != persistDate);

    // Picking a moment only rewrites a header: the points are not drawn again.
    QCoreApplication::processEvents();
    QTRY_VERIFY(view_->pointsUpToDate());
    QCOMPARE(view_->rasterRebuildCount(), rebuilds);
}

void PlotViewTest::momentStaysAfterThePointerLeaves() {
    load(realisticFile(60));
    showAndSettle();
    PointChart& rate = *chartOf(*view_, "rate");
    hover(rate, plotCentre(rate));
    const QString picked = headerDate(*view_, "rate");
    QVERIFY(!picked.isEmpty());
    QTest::mouseMove(part(*view_, "toggleRow"));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(rate.viewport(), &leave);
    QCoreApplication::processEvents();
    QCOMPARE(headerDate(*view_, "rate"), picked);
}

void PlotViewTest::momentIsTheTimeUnderThePointer() {
    test::ScopedTimeZone paris("Europe/Paris");
    load(knownMinuteFile());
    showAndSettle();
    PointChart& rate = *chartOf(*view_, "rate");
    // Halfway between the two points, where none lies; a pixel is well under a second here.
    hover(rate, pointAtMoment(rate, kKnownInstant + 0.5));
    QCOMPARE(headerDate(*view_, "rate"), QStringLiteral("14:07:09+0100 2024-03-05"));
    hover(rate, pointAtMoment(rate, kKnownInstant + 30.5));
    QCOMPARE(headerDate(*view_, "rate"), QStringLiteral("14:07:39+0100 2024-03-05"));
    // Hover events, as a platform may send instead of plain moves, pick moments alike.
    const QPointF at = pointAtMoment(rate, kKnownInstant - 20.5);
    QHoverEvent move(QEvent::HoverMove, at, rate.viewport()->mapToGlobal(at), at);
    QCoreApplication::sendEvent(rate.viewport(), &move);
    QCOMPARE(headerDate(*view_, "rate"), QStringLiteral("14:06:48+0100 2024-03-05"));
}

void PlotViewTest::chartWithoutPointsPicksNothing() {
    showAndSettle();
    PointChart& rate = *chartOf(*view_, "rate");
    hover(rate, plotCentre(rate));
    QVERIFY(headerDate(*view_, "rate").isNull());
    // A Persist-only file leaves the Special chart without points.
    load(knownMinuteFile());
    PointChart& special = *chartOf(*view_, "special");
    hover(special, plotCentre(special));
    QVERIFY(headerDate(*view_, "special").isNull());
    hover(rate, plotCentre(rate));
    QVERIFY(!headerDate(*view_, "rate").isEmpty());
}

void PlotViewTest::momentSurvivesHidingItsBlock() {
    load(realisticFile(60));
    showAndSettle();
    PointChart& persist = *chartOf(*view_, "persist");
    hover(persist, plotCentre(persist));
    const QString picked = headerDate(*view_, "persist");
    QVERIFY(!picked.isEmpty());
    QTest::mouseClick(part(*view_, "showPersist"), Qt::LeftButton);
    QVERIFY(!part(*view_, "persistBlock")->isVisible());
    QTest::mouseClick(part(*view_, "showPersist"), Qt::LeftButton);
    QVERIFY(part(*view_, "persistBlock")->isVisible());
    QCOMPARE(headerDate(*view_, "persist"), picked);
}

void PlotViewTest::loadReplacesSeriesAndKeepsViewState() {
    load(realisticFile(60), "before.jsonl");
    showAndSettle();
    PointChart& rate = *chartOf(*view_, "rate");
    hover(rate, plotCentre(rate));
    const QString picked = headerDate(*view_, "rate");
    QTest::mouseClick(part(*view_, "showSpecial"), Qt::LeftButton);

    load(realisticFile(600, 1800000000), "after.jsonl");
    QCOMPARE(view_->windowTitle(), QStringLiteral("Log data: after.jsonl"));
    QCOMPARE(headerDate(*view_, "rate"), picked);
    QVERIFY(!part<QCheckBox>(*view_, "showSpecial")->isChecked());
    QVERIFY(!part(*view_, "specialBlock")->isVisible());
    QCOMPARE(rate.points().size(), model_->ratesPoints().size());
    QCOMPARE(chartOf(*view_, "persist")->points().size(), model_->pointsPersist().size());
    QCOMPARE(chartOf(*view_, "special")->points().size(), model_->pointsSpecial().size());
    QCOMPARE(chartOf(*view_, "persist")->points().size(), std::size_t{600});
    QCOMPARE(chartOf(*view_, "special")->points().size(), std::size_t{600});
    QCOMPARE(rate.points().size(), std::size_t{200});
    // The axes follow the new data: 2027 instead of 2024.
    QVERIFY(rate.timeAxis()->min().toSecsSinceEpoch() > 1790000000);
    QVERIFY(static_cast<double>(rate.timeAxis()->min().toSecsSinceEpoch()) <=
            model_->ratesPoints().front().date);
}

void PlotViewTest::legendNamesEachValueInItsOwnColour() {
    load(realisticFile(90));
    showAndSettle();
    QCOMPARE(legendTexts(*chartOf(*view_, "persist")),
             (QStringList{"Persist 1", "Persist 2", "Persist 3"}));
    QCOMPARE(legendTexts(*chartOf(*view_, "special")),
             (QStringList{"Special 1", "Special 2", "Special 3"}));
    QVERIFY(chartOf(*view_, "persist")->chart()->legend()->isVisible());
    QVERIFY(!chartOf(*view_, "rate")->chart()->legend()->isVisible());
    for (const QString& key : {QStringLiteral("persist"), QStringLiteral("special")}) {
        QList<QRgb> colours;
        for (QAbstractSeries* series : chartOf(*view_, key)->chart()->series())
            colours.push_back(static_cast<QScatterSeries*>(series)->color().rgb());
        QCOMPARE(colours.size(), 3);
        QVERIFY(colours[0] != colours[1] && colours[1] != colours[2] && colours[0] != colours[2]);
    }
}

void PlotViewTest::pointsLieWhereTheAxesPlaceThem() {
    load(knownMinuteFile());
    showAndSettle();
    for (const QString& key : {QStringLiteral("rate"), QStringLiteral("persist")}) {
        PointChart& chart = *chartOf(*view_, key);
        const QImage image = chart.grab().toImage();
        QChart* c = chart.chart();
        auto* series = static_cast<QScatterSeries*>(c->series().first());
        const bool isRate = key == QStringLiteral("rate");
        // The first point: rate 0 (no earlier line), or the first process's 4 KB.
        const QPointF value(static_cast<double>(kKnownInstant - 30) * 1000, isRate ? 0 : 4);
        const QPoint at = chart.mapFromScene(c->mapToScene(c->mapToPosition(value, series)));
        QCOMPARE(QColor(image.pixel(at)).rgb(), series->color().rgb());
        QVERIFY(c->plotArea().contains(c->mapToPosition(value, series)));
        // Empty plot beside it.
        QVERIFY(QColor(image.pixel(at + QPoint(0, 40))).rgb() != series->color().rgb());
    }
}

void PlotViewTest::screenshot() {
    load(realisticFile(2000), "store-2024-03.jsonl");
    showAndSettle();
    for (const QString& key : kBlockKeys) {
        PointChart& chart = *chartOf(*view_, key);
        hover(chart, plotCentre(chart) + QPoint(100, 0));
    }
    QCoreApplication::processEvents();
    test::saveScreenshot(*view_, QStringLiteral("plot_view"));
    QTest::mouseClick(part(*view_, "showPersist"), Qt::LeftButton);
    QCoreApplication::processEvents();
    QTRY_VERIFY(view_->pointsUpToDate());
    test::saveScreenshot(*view_, QStringLiteral("plot_view_persist_off"));
    view_->resize(480, 640);
    QTRY_VERIFY(view_->pointsUpToDate());
    test::saveScreenshot(*view_, QStringLiteral("plot_view_narrow"));
}

}  // namespace quill::ui

QTEST_MAIN(quill::ui::PlotViewTest)
#include "plot_view_test.moc"
