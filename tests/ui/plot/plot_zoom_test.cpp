#include <QChart>
#include <QDateTimeAxis>
#include <QLabel>
#include <QRubberBand>
#include <QScatterSeries>
#include <QTest>
#include <QValueAxis>
#include <QWheelEvent>
#include <cmath>
#include <memory>

#include "tests/support.h"
#include "tests/ui/common/screenshot.h"
#include "ui/plot/plot_view.h"
#include "ui/plot/point_chart.h"
#include "ui/plot/point_layer.h"

namespace quill::ui {

namespace {

constexpr long long kStart = 1709596800;  // 2024-03-05 00:00:00 UTC
constexpr int kLines = 600;

/// Persist and Special lines a minute apart, half a minute between the two kinds, the first
/// process of line i holding i + 1 MB: sizes rise steadily with time. `falling` turns them
/// round: the same moments and extremes, other points between.
std::string risingFile(long long shift = 0, bool falling = false) {
    std::string out;
    for (int i = 0; i < kLines; ++i) {
        const long long mb = (falling ? kLines - i : i + 1LL) << 20;
        const std::vector<test::Proc> processes{{"a", mb}, {"b", 1 << 20}, {"c", 1 << 19}};
        out += test::statLine(kStart + shift + 60 * i, mb * 2, "/s/Persist/1", processes) + "\n";
        out += test::statLine(kStart + shift + 60 * i + 30, mb, "/s/Special/1", processes) + "\n";
    }
    return out;
}

}  // namespace

class PlotZoomTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        view_.reset();
        model_ = std::make_unique<Quillstat>();
        view_ = std::make_unique<PlotView>(*model_);
        view_->resize(900, 960);
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
        load(risingFile());
        full_ = shown("rate");
    }

    void wheelZoomsAboutThePointerInEveryChart() {
        const QPointF at = inPlot("persist", 0.25);
        const double before = *chart("persist").momentAt(at.x());
        wheel("persist", at, 120);
        QVERIFY(near(shown("rate").span(), full_.span() / 1.25, 0.01));
        QVERIFY(near(*chart("persist").momentAt(at.x()), before, 0.5));
        QVERIFY(linked());
        // The header follows the moment under the pointer, on the zoomed axis.
        QCOMPARE(headerDate("persist"), instantText(*chart("persist").momentAt(at.x())));
        test::saveScreenshot(*view_, QStringLiteral("plot_view_zoomed"));
        // Zooming out beyond where it started gives the full range back, no wider.
        wheel("rate", inPlot("rate", 0.9), -240);
        QCOMPARE(shown("special"), full_);
        QVERIFY(!chart("special").visibleSpan() && linked());
    }

    void dragPansEveryChart() {
        // At the full range there is nothing to pan to.
        drag("rate", inPlot("rate", 0.3), inPlot("rate", 0.6));
        QCOMPARE(shown("rate"), full_);

        wheel("special", inPlot("special", 0.5), 360);
        const AxisRange zoomed = shown("special");
        const QPointF from = inPlot("special", 0.5);
        const QPointF to = from + QPointF(100, 7);
        const double grabbed = *chart("special").momentAt(from.x());
        drag("special", from, to);
        const AxisRange panned = shown("persist");
        QVERIFY(near(panned.span(), zoomed.span(), 0.01));
        QVERIFY(panned.min < zoomed.min);
        // The moment grabbed stays under the pointer, and the header says so.
        QVERIFY(near(*chart("special").momentAt(to.x()), grabbed, 0.5));
        QCOMPARE(headerDate("special"), instantText(*chart("special").momentAt(to.x())));
        QVERIFY(linked());
        // Dragged far past the start, the span stops at the start of the full range.
        drag("special", inPlot("special", 0.1), inPlot("special", 0.1) + QPointF(5000, 0));
        QVERIFY(near(shown("rate").min, full_.min, 0.01));
        QVERIFY(near(shown("rate").span(), zoomed.span(), 0.01));
    }

    void shiftDragZoomsToTheSpanSelected() {
        PointChart& rate = chart("rate");
        const QPointF from = inPlot("rate", 0.4);
        const QPointF to = inPlot("rate", 0.2);
        const double first = *rate.momentAt(to.x());
        const double last = *rate.momentAt(from.x());
        mouse(rate, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::ShiftModifier);
        mouse(rate, QEvent::MouseMove, to, Qt::LeftButton, Qt::ShiftModifier);
        // While selecting, the band shows the span and nothing zooms yet.
        auto* band = rate.viewport()->findChild<QRubberBand*>();
        QVERIFY(band && band->isVisible());
        QVERIFY(std::abs(band->width() - (from.x() - to.x())) <= 2);
        QCOMPARE(shown("rate"), full_);
        mouse(rate, QEvent::MouseButtonRelease, to, Qt::NoButton, Qt::ShiftModifier);
        QVERIFY(!band->isVisible());
        QVERIFY(near(shown("persist").min, first, 1) && near(shown("persist").max, last, 1));
        QVERIFY(linked());
        // A band of a pixel or two is a slip of the hand: nothing changes.
        const AxisRange zoomed = shown("rate");
        drag("rate", inPlot("rate", 0.5), inPlot("rate", 0.5) + QPointF(2, 0), Qt::ShiftModifier);
        QCOMPARE(shown("rate"), zoomed);
    }

    void doubleClickAndHomeShowTheFullRange() {
        wheel("rate", inPlot("rate", 0.5), 240);
        mouse(chart("special"), QEvent::MouseButtonDblClick, inPlot("special", 0.7),
              Qt::LeftButton);
        QCOMPARE(shown("persist"), full_);
        QVERIFY(linked());

        wheel("rate", inPlot("rate", 0.5), 240);
        QTest::keyClick(&chart("persist"), Qt::Key_Home);
        QTRY_VERIFY(view_->pointsUpToDate());
        QCOMPARE(shown("rate"), full_);

        // Also with the focus elsewhere in the window.
        wheel("rate", inPlot("rate", 0.5), 240);
        QTest::keyClick(view_->findChild<QWidget*>(QStringLiteral("showSpecial")), Qt::Key_Home);
        QTRY_VERIFY(view_->pointsUpToDate());
        QCOMPARE(shown("special"), full_);
        QVERIFY(linked());
    }

    void keysZoomPanAndLetGoOfABand() {
        PointChart& persist = chart("persist");
        QTest::keyClick(&persist, Qt::Key_Plus);
        QTRY_VERIFY(view_->pointsUpToDate());
        const AxisRange zoomed = shown("rate");
        QVERIFY(near(zoomed.span(), full_.span() / 1.25, 0.01));
        // About the middle of the plot.
        QVERIFY(near(zoomed.min + zoomed.span() / 2, full_.min + full_.span() / 2, 0.01));
        QTest::keyClick(&persist, Qt::Key_Right);
        QTRY_VERIFY(view_->pointsUpToDate());
        QVERIFY(near(shown("special").min, zoomed.min + zoomed.span() / 10, 0.01));
        QTest::keyClick(&persist, Qt::Key_Minus);
        QTRY_VERIFY(view_->pointsUpToDate());
        QCOMPARE(shown("rate"), full_);

        // Escape in the middle of a Shift+drag: the band goes and the release zooms nowhere.
        mouse(persist, QEvent::MouseButtonPress, inPlot("persist", 0.2), Qt::LeftButton,
              Qt::ShiftModifier);
        mouse(persist, QEvent::MouseMove, inPlot("persist", 0.6), Qt::LeftButton,
              Qt::ShiftModifier);
        QTest::keyClick(&persist, Qt::Key_Escape);
        QVERIFY(!persist.viewport()->findChild<QRubberBand*>()->isVisible());
        mouse(persist, QEvent::MouseButtonRelease, inPlot("persist", 0.6), Qt::NoButton,
              Qt::ShiftModifier);
        QCOMPARE(shown("persist"), full_);
    }

    void valueAxisFitsThePointsInView() {
        const double wholeTop = chart("persist").valueAxis()->max();
        QVERIFY(wholeTop >= kLines * 1024);
        // The first tenth of the lines: their sizes reach a tenth of the top.
        drag("persist", inPlot("persist", 0.0), inPlot("persist", 0.1), Qt::ShiftModifier);
        const AxisRange span = shown("persist");
        double low = INFINITY;
        double high = -INFINITY;
        for (const PointStats& point : model_->pointsPersist()) {
            if (point.date < span.min || point.date > span.max) continue;
            low = std::min(low, static_cast<double>(point.size));
            high = std::max(high, static_cast<double>(point.size));
        }
        const QValueAxis* axis = chart("persist").valueAxis();
        QVERIFY2(axis->min() <= low && axis->max() >= high && axis->max() < wholeTop / 4,
                 qPrintable(QStringLiteral("%1 to %2 for %3 to %4")
                                .arg(axis->min())
                                .arg(axis->max())
                                .arg(low)
                                .arg(high)));
        // Only the points in view, and a dot's reach about them, are gone through.
        const std::size_t considered = chart("persist").layer().consideredCount();
        QVERIFY(considered > 0 && considered < chart("persist").points().size() / 4);
        QTest::keyClick(&chart("persist"), Qt::Key_Home);
        QTRY_VERIFY(view_->pointsUpToDate());
        QCOMPARE(axis->max(), wholeTop);
        QCOMPARE(chart("persist").layer().consideredCount(), chart("persist").points().size());
    }

    void hoverPicksTheMomentOnTheZoomedAxis() {
        for (int i = 0; i < 12; ++i) wheel("rate", inPlot("rate", 0.1), 120);
        PointChart& rate = chart("rate");
        const double moment = shown("rate").min + shown("rate").span() * 0.37;
        QChart* c = rate.chart();
        const QPointF inChart = c->mapToPosition({moment * 1e3, 0}, c->series().first());
        const QPoint at = rate.mapFromScene(c->mapToScene(inChart));
        mouse(rate, QEvent::MouseMove, at, Qt::NoButton);
        QVERIFY(near(*rate.momentAt(at.x()), moment, 1));
        QCOMPARE(headerDate("rate"), instantText(*rate.momentAt(at.x())));
    }

    void zoomHasLimits() {
        for (int i = 0; i < 60; ++i) wheel("special", inPlot("special", 0.5), 120);
        QVERIFY(near(shown("special").span(), 30, 0.01));
        QVERIFY(linked());
    }

    void newMomentsShowTheirFullRangeButTheSameOnesKeepTheZoom() {
        wheel("rate", inPlot("rate", 0.5), 480);
        const AxisRange zoomed = shown("rate");
        // The same file again, read anew: the same moments, the same span.
        load(risingFile(), "again.jsonl");
        QCOMPARE(shown("special"), zoomed);
        // Another day: the span picked before means nothing there.
        load(risingFile(86400), "next day.jsonl");
        QVERIFY(!chart("rate").visibleSpan() && linked());
        QVERIFY(near(shown("rate").min, full_.min + 86400, 0.01));
    }

    void theWholeSpanIsKeptForReturningButNotAcrossLoads() {
        wheel("rate", inPlot("rate", 0.5), 240);
        const int drawn = view_->rasterRebuildCount();
        QTest::keyClick(&chart("rate"), Qt::Key_Home);
        QTRY_VERIFY(view_->pointsUpToDate());
        QCOMPARE(shown("rate"), full_);
        QCOMPARE(view_->rasterRebuildCount(), drawn);
        QCOMPARE(chart("persist").layer().consideredCount(), chart("persist").points().size());
        // Other points over the very same ranges are drawn anew, not taken for the kept ones.
        const QValueAxis* axis = chart("persist").valueAxis();
        const double low = axis->min();
        const double high = axis->max();
        const int persistDrawn = chart("persist").layer().rebuildCount();
        load(risingFile(0, true), "falling.jsonl");
        QVERIFY(axis->min() == low && axis->max() == high && shown("persist") == full_);
        QCOMPARE(chart("persist").layer().rebuildCount(), persistDrawn + 1);
    }

private:
    static bool near(double a, double b, double tolerance) {
        if (std::abs(a - b) <= tolerance) return true;
        qWarning("%.6f is not within %g of %.6f", a, tolerance, b);
        return false;
    }

    void load(const std::string& bytes, const std::string& name = "rising.jsonl") {
        QCOMPARE(test::loadBytes(*model_, bytes, name).status, LoadStatus::Loaded);
        QTRY_COMPARE(view_->windowTitle(), "Log data: " + QString::fromStdString(name));
        QTRY_VERIFY(view_->pointsUpToDate());
    }

    PointChart& chart(const QString& key) {
        return *view_->findChild<PointChart*>(key + QStringLiteral("Chart"));
    }

    /// The span the chart's time axis shows, in seconds since 1970.
    AxisRange shown(const QString& key) {
        const QDateTimeAxis* axis = chart(key).timeAxis();
        return {static_cast<double>(axis->min().toMSecsSinceEpoch()) / 1e3,
                static_cast<double>(axis->max().toMSecsSinceEpoch()) / 1e3};
    }

    bool linked() {
        const AxisRange rate = shown(QStringLiteral("rate"));
        return shown(QStringLiteral("persist")) == rate && shown(QStringLiteral("special")) == rate;
    }

    /// The point `share` of the way across the chart's plot area, halfway up, in its viewport.
    QPointF inPlot(const QString& key, double share) {
        const PointChart& view = chart(key);
        const QRectF area = view.viewportTransform().mapRect(
            view.chart()->mapRectToScene(view.chart()->plotArea()));
        return {area.left() + share * area.width(), area.center().y()};
    }

    QString headerDate(const QString& key) {
        return view_->findChild<QLabel*>(key + QStringLiteral("HeaderDate"))->text();
    }

    void mouse(PointChart& target, QEvent::Type type, QPointF at, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const Qt::MouseButton button =
            type == QEvent::MouseMove ? Qt::NoButton : Qt::MouseButton::LeftButton;
        QMouseEvent event(type, at, target.viewport()->mapToGlobal(at), button, buttons, modifiers);
        QCoreApplication::sendEvent(target.viewport(), &event);
        QTRY_VERIFY(view_->pointsUpToDate());
    }

    void drag(const QString& key, QPointF from, QPointF to,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        PointChart& target = chart(key);
        mouse(target, QEvent::MouseButtonPress, from, Qt::LeftButton, modifiers);
        mouse(target, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton, modifiers);
        mouse(target, QEvent::MouseMove, to, Qt::LeftButton, modifiers);
        mouse(target, QEvent::MouseButtonRelease, to, Qt::NoButton, modifiers);
    }

    void wheel(const QString& key, QPointF at, int angle) {
        PointChart& target = chart(key);
        QWheelEvent event(at, target.viewport()->mapToGlobal(at), QPoint(), QPoint(0, angle),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(target.viewport(), &event);
        QTRY_VERIFY(view_->pointsUpToDate());
    }

    std::unique_ptr<Quillstat> model_;
    std::unique_ptr<PlotView> view_;
    AxisRange full_;
};

}  // namespace quill::ui

QTEST_MAIN(quill::ui::PlotZoomTest)
#include "plot_zoom_test.moc"
