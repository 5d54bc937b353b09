#include "ui/plot/plot_view.h"

#include <QDateTimeAxis>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QRubberBand>
#include <QScatterSeries>
#include <QSet>
#include <QTest>
#include <QValueAxis>
#include <QWheelEvent>
#include <cmath>
#include <memory>
#include <optional>

#include "tests/support.h"
#include "tests/ui/common/screenshot.h"
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

class PlotViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        view_.reset();
        model_ = std::make_unique<Quillstat>();
        view_ = std::make_unique<PlotView>(*model_);
        view_->resize(900, 960);
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
        QTRY_VERIFY(view_->pointsUpToDate());
    }

    void opensEmptyThenShowsTheLoadedFile() {
        QCOMPARE(view_->windowTitle(), QStringLiteral("Log data: "));
        test::saveScreenshot(*view_, QStringLiteral("plot_view_empty"));
        for (const QString& key : kKeys)
            QVERIFY(part(key + "Block")->isVisible() && headerDate(key).isNull() &&
                    chart(key).points().empty());

        load(realisticFile(3), "a second  file %1.jsonl");  // the title takes the name verbatim
    }

    void togglesHideBlocksWithoutLeavingGaps_data() {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("shown");
        QTest::newRow("all shown") << QStringList{} << "rate persist special";
        QTest::newRow("Persist off") << QStringList{"Persist"} << "rate special";
        QTest::newRow("Rate off") << QStringList{"Rate"} << "persist special";
        QTest::newRow("Special off") << QStringList{"Special"} << "rate persist";
        QTest::newRow("all off") << QStringList{"Rate", "Persist", "Special"} << "";
        QTest::newRow("off and on") << QStringList{"Rate", "Special", "Rate"} << "rate persist";
    }
    void togglesHideBlocksWithoutLeavingGaps() {
        QFETCH(QStringList, clicks);
        QFETCH(QString, shown);
        load(realisticFile(60));
        for (const QString& name : clicks) QTest::mouseClick(part("show" + name), Qt::LeftButton);
        QCoreApplication::processEvents();
        // Each shown block lies right below the one before it: nothing hidden keeps its room.
        int bottom = part("toggleRow")->geometry().bottom();
        for (const QString& key : kKeys) {
            const QWidget* block = part(key + "Block");
            QCOMPARE(block->isVisible(), shown.split(' ').contains(key));
            if (!block->isVisible()) continue;
            QVERIFY2(block->y() > bottom && block->y() <= bottom + 20, qPrintable(key));
            bottom = block->geometry().bottom();
        }
    }

    void pickedMomentsStayWithTheirCharts() {
        load(realisticFile(300));
        hover("persist");
        const QString persistDate = headerDate("persist");
        hover("rate", -150);
        const QString rateDate = headerDate("rate");
        hover("rate", 150);
        QVERIFY(!persistDate.isEmpty() && !rateDate.isEmpty() && headerDate("rate") != rateDate);
        QCOMPARE(headerDate("persist"), persistDate);
        // Leaving the chart, or hiding and showing its block, keeps the moment.
        const QString picked = headerDate("rate");
        QTest::mouseMove(part("toggleRow"));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(chart("rate").viewport(), &leave);
        QTest::mouseClick(part("showRate"), Qt::LeftButton);
        QTest::mouseClick(part("showRate"), Qt::LeftButton);
        QCOMPARE(headerDate("rate"), picked);
    }

    void seriesAndLegends() {
        load(realisticFile(600), "store-2024-03.jsonl");
        QCOMPARE(chart("rate").points().size(), model_->ratesPoints().size());
        QCOMPARE(chart("persist").points().size(), model_->pointsPersist().size());
        QCOMPARE(chart("special").points().size(), model_->pointsSpecial().size());
        // One legend entry and colour per value.
        for (const QString title : {"Persist", "Special"}) {
            const QChart* c = chart(title.toLower()).chart();
            QStringList labels;
            QSet<QRgb> colours;
            for (QLegendMarker* marker : c->legend()->markers()) {
                labels << marker->label();
                colours << static_cast<QScatterSeries*>(marker->series())->color().rgb();
            }
            QCOMPARE(labels.join('|'), QStringLiteral("%1 1|%1 2|%1 3").arg(title));
            QVERIFY(colours.size() == 3 && c->legend()->isVisible());
            // The colours' label stands on the legend's row, before its first entry.
            const QRectF label = shownText(*c, QStringLiteral("Value"));
            const QRectF first = shownText(*c, title + " 1");
            QVERIFY(!label.isNull() && !first.isNull());
            QVERIFY(std::abs(label.center().y() - first.center().y()) < 2 &&
                    label.right() + 12 < first.left() && label.left() > 0);
        }
        QVERIFY(shownText(*chart("rate").chart(), QStringLiteral("Value")).isNull());
        for (const QString& key : kKeys) hover(key, 100);
        test::saveScreenshot(*view_, QStringLiteral("plot_view"));
    }

    // Series of very different magnitudes and signs, side by side.
    void unlikeRanges_data() {
        QTest::addColumn<QByteArray>("file");
        // Persist sizes in the millions over rates that are all 0, Special sizes in single
        // digits, from an hour before the first Persist record to an hour after the last.
        QTest::newRow("zero rates beside millions")
            << records("/Persist/1", 0, 600, 10, 0, 4'000'000) +
                   records("/Special/1", -3600, 1200, 9, 0, 8);
        // Each Persist record older than the one before: rates of minus millions, none above 0.
        QTest::newRow("negative rates") << records("/Persist/1", 0, -60, 10, 3e11, 8) +
                                               records("/Special/1", 0, 0, 1, 0, 1 << 20);
    }
    void unlikeRanges() {
        QFETCH(QByteArray, file);
        // The value axes go from their empty range to millions at once.
        load(file.toStdString());
        const QString shot = "plot_view_" + QString(QTest::currentDataTag()).replace(' ', '_');
        test::saveScreenshot(*view_, shot);
        for (const QString& key : kKeys) {
            // No label shows a sign that none of the values has.
            const PointChart& c = chart(key);
            const QString range =
                key +
                QStringLiteral(": %1 to %2").arg(c.valueAxis()->min()).arg(c.valueAxis()->max());
            if (c.points().yMin() >= 0)
                QVERIFY2(c.valueAxis()->min() >= 0, qPrintable(range));
            else if (c.points().yMax() <= 0)
                QVERIFY2(c.valueAxis()->max() <= 0, qPrintable(range));
        }
        // One instant lies at one x in all the charts, whatever their value labels.
        for (const QString& key : kKeys) {
            QCOMPARE(chart(key).timeAxis()->min(), chart("rate").timeAxis()->min());
            QCOMPARE(chart(key).timeAxis()->max(), chart("rate").timeAxis()->max());
        }
        QVERIFY(plotEdgesAgree());
        view_->resize(480, 900);
        QTRY_VERIFY(view_->pointsUpToDate());
        QVERIFY(plotEdgesAgree());
        for (const QString name : {"Persist", "Rate", "Persist"}) {
            QTest::mouseClick(part("show" + name), Qt::LeftButton);
            QTRY_VERIFY(view_->pointsUpToDate());
            QVERIFY(plotEdgesAgree());
        }
        test::saveScreenshot(*view_, shot + "_narrow_rate_off");
    }

    void wheelZoomsAboutThePointerInEveryChart() {
        loadRising();
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
        loadRising();
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
        // The moment grabbed stays under the pointer.
        QVERIFY(near(*chart("special").momentAt(to.x()), grabbed, 0.5));
        QVERIFY(linked());
        // Dragged far past the start, the span stops at the start of the full range.
        drag("special", inPlot("special", 0.1), inPlot("special", 0.1) + QPointF(5000, 0));
        QVERIFY(near(shown("rate").min, full_.min, 0.01));
        QVERIFY(near(shown("rate").span(), zoomed.span(), 0.01));
    }

    void shiftDragZoomsToTheSpanSelected() {
        loadRising();
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
        loadRising();
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
        loadRising();
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
        loadRising();
        const double wholeTop = chart("persist").valueAxis()->max();
        QVERIFY(wholeTop >= kLines * 1024);
        // The first tenth of the lines: their sizes reach a tenth of the top.
        drag("persist", inPlot("persist", 0.0), inPlot("persist", 0.1), Qt::ShiftModifier);
        const AxisRange span = shown("persist");
        double low = INFINITY;
        double high = -INFINITY;
        const PointSeries& points = model_->pointsPersist();
        for (std::size_t k = 0; k < points.size(); ++k) {
            if (points.date(k) < span.min || points.date(k) > span.max) continue;
            low = std::min(low, static_cast<double>(points.sizeKB(k)));
            high = std::max(high, static_cast<double>(points.sizeKB(k)));
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

    void zoomStopsAtHalfAMinuteWhereHoverStillPicksTheSecond() {
        loadRising();
        for (int i = 0; i < 60; ++i) wheel("special", inPlot("special", 0.5), 120);
        QVERIFY(near(shown("special").span(), 30, 0.01));
        QVERIFY(linked());
        // The moment under the pointer to the second, where no point lies, in the local zone.
        test::ScopedTimeZone paris("Europe/Paris");
        const double moment = std::floor(shown("rate").min + shown("rate").span() * 0.37) + 0.5;
        hover("rate", 0, moment);
        QCOMPARE(headerDate("rate"), instantText(moment));
    }

    void newMomentsShowTheirFullRangeButTheSameOnesKeepTheZoom() {
        loadRising();
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
        loadRising();
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
    inline static const QStringList kKeys{"rate", "persist", "special"};

    /// `count` records of `file`, `step` seconds apart from 2024-03-05 00:00:00 UTC plus `from`,
    /// of `totalBytes` each, with processes of `kb`, half and a quarter of it, the first growing
    /// by a tenth of `kb` a record.
    static QByteArray records(const char* file, long long from, long long step, int count,
                              double totalBytes, long long kb) {
        std::string out;
        for (long long i = 0; i < count; ++i) {
            const long long first = (kb + kb / 10 * i) << 10;
            out += test::statLine(1709596800 + from + step * i, std::llround(totalBytes), file,
                                  {{"a", first}, {"b", kb << 9}, {"c", kb << 8}}) +
                   "\n";
        }
        return QByteArray::fromStdString(out);
    }

    /// Whether the plot areas of the shown charts share their left and right edges, to within
    /// the whole pixels that their margins come in; says where they lie when they do not.
    bool plotEdgesAgree() {
        QString edges;
        std::optional<QRectF> first;
        bool agree = true;
        for (const QString& key : kKeys) {
            const PointChart& view = chart(key);
            if (!view.isVisibleTo(view_.get())) continue;
            const QRectF inScene = view.chart()->mapRectToScene(view.chart()->plotArea());
            const QRectF area = view.viewportTransform().mapRect(inScene).translated(
                view.viewport()->mapTo(view_.get(), QPoint()));
            if (!first) first = area;
            agree = agree && std::abs(area.left() - first->left()) < 1 &&
                    std::abs(area.right() - first->right()) < 1;
            edges += QStringLiteral(" %1 %2 to %3").arg(key).arg(area.left()).arg(area.right());
        }
        if (!agree) qWarning("plot areas apart:%s", qPrintable(edges));
        return agree;
    }

    /// `lines` lines minutes apart, cycling through Persist, Special and other files, each with
    /// three to six processes whose sizes drift with time, as a store's log does.
    static std::string realisticFile(int lines) {
        const char* files[] = {"/store/Persist/0x1a2b", "/store/Special/0x0c41", "/store/Other/0"};
        std::string out;
        for (int i = 0; i < lines; ++i) {
            std::vector<test::Proc> processes;
            for (int k = 0; k < 3 + i * 7 % 4; ++k) {
                const double drift = 1.5 + std::sin(i / (40.0 + 25 * k) + k) / 2 + i % 7 / 20.0;
                processes.push_back({std::to_string(k), std::llround((k + 1) * 9e5 * drift)});
            }
            const long long time = 1709596800LL + 180 * i;
            out += test::statLine(time, 400'000LL * (20 + i % 17), files[i % 3], processes) + "\n";
        }
        return out;
    }

    void load(const std::string& bytes, const std::string& name = "stats.jsonl") {
        QCOMPARE(test::loadBytes(*model_, bytes, name).status, LoadStatus::Loaded);
        QTRY_COMPARE(view_->windowTitle(), "Log data: " + QString::fromStdString(name));
        QTRY_VERIFY(view_->pointsUpToDate());
    }

    template <typename T = QWidget>
    T* part(const QString& name) {
        if (T* found = view_->findChild<T*>(name)) return found;
        qFatal("no child named %s", qPrintable(name));
    }

    PointChart& chart(const QString& key) { return *part<PointChart>(key + "Chart"); }

    /// Where the chart shows `text`, in its scene's coordinates; null where it does not.
    static QRectF shownText(const QChart& c, const QString& text) {
        for (const QGraphicsItem* item : c.scene()->items()) {
            const auto* simple = qgraphicsitem_cast<const QGraphicsSimpleTextItem*>(item);
            const auto* rich = qgraphicsitem_cast<const QGraphicsTextItem*>(item);
            const QString shown = simple ? simple->text() : rich ? rich->toPlainText() : QString();
            if (item->isVisible() && shown == text) return item->sceneBoundingRect();
        }
        return {};
    }

    /// The date text a header shows; null while it shows none.
    QString headerDate(const QString& key) {
        auto* label = part<QLabel>(key + "HeaderDate");
        return label->isVisibleTo(view_.get()) ? label->text() : QString();
    }

    /// Moves the pointer over a chart halfway up its plot: `dx` right of the centre, or given
    /// `seconds`, onto that moment of its time axis.
    void hover(const QString& key, int dx = 0, std::optional<double> seconds = {}) {
        PointChart& view = chart(key);
        QChart* c = view.chart();
        QPointF at = c->plotArea().center() + QPointF(dx, 0);
        if (seconds) at.setX(c->mapToPosition({*seconds * 1e3, 0}, c->series().first()).x());
        QTest::mouseMove(view.viewport(), view.mapFromScene(c->mapToScene(at)));
    }

    static bool near(double a, double b, double tolerance) {
        if (std::abs(a - b) <= tolerance) return true;
        qWarning("%.6f is not within %g of %.6f", a, tolerance, b);
        return false;
    }

    /// Sizes rising steadily with time, the range the time axis then shows in full.
    void loadRising() {
        load(risingFile(), "rising.jsonl");
        full_ = shown("rate");
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

QTEST_MAIN(quill::ui::PlotViewTest)
#include "plot_view_test.moc"
