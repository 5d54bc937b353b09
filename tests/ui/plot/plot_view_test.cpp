#include "ui/plot/plot_view.h"

#include <QAction>
#include <QCategoryAxis>
#include <QFile>
#include <QFileDialog>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsTextItem>
#include <QKeySequence>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLocale>
#include <QRubberBand>
#include <QScatterSeries>
#include <QSet>
#include <QSvgRenderer>
#include <QTest>
#include <QValueAxis>
#include <QWheelEvent>
#include <cmath>
#include <memory>

#include "tests/support.h"
#include "tests/ui/common/screenshot.h"
#include "ui/chart/window_image.h"
#include "ui/plot/point_chart.h"
#include "ui/plot/point_layer.h"

namespace quill::ui {

namespace {

/// `count` records of `file`, `step` seconds apart from 2024-03-05 00:00:00 UTC plus `from`, of
/// `totalBytes` each, with processes of `kb`, half and a quarter of it, the first growing by a
/// tenth of `kb` a record.
QByteArray records(const char* file, long long from, long long step, int count, double totalBytes,
                   long long kb) {
    std::string out;
    for (long long i = 0; i < count; ++i) {
        const std::vector<test::Proc> processes{
            {"a", (kb + kb / 10 * i) << 10}, {"b", kb << 9}, {"c", kb << 8}};
        out +=
            test::statLine(1709596800 + from + step * i, std::llround(totalBytes), file, processes);
        out += "\n";
    }
    return QByteArray::fromStdString(out);
}

/// Persist and Special records a minute apart for ten hours from 2024-03-05 plus `shift`, half a
/// minute between the two kinds, their sizes rising with time; where `falling`, the file runs
/// back in time: the same moments and extremes, other points between.
QByteArray risingFile(long long shift = 0, bool falling = false) {
    const long long from = shift + (falling ? 599 * 60 : 0);
    const long long step = falling ? -60 : 60;
    return records("/s/Persist/1", from, step, 600, 0, 1024) +
           records("/s/Special/1", from + 30, step, 600, 0, 512);
}

/// Persist sizes in the millions over rates that are all 0, Special sizes in single digits, from
/// an hour before the first Persist record to an hour after the last.
QByteArray millionsFile() {
    return records("/Persist/1", 0, 600, 10, 0, 4'000'000) +
           records("/Special/1", -3600, 1200, 9, 0, 8);
}

}  // namespace

class PlotViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        view_.reset();
        model_ = std::make_unique<Quillstat>();
        listed_.reset();
        view_ = std::make_unique<PlotView>(*model_, [this](TimeWindow w) { listed_ = w; });
        view_->resize(900, 960);
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
        QTRY_VERIFY(view_->pointsUpToDate());
    }

    void togglesHideBlocksWithoutLeavingGaps_data() {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Persist off") << QStringList{"Persist"} << "rate special";
        QTest::newRow("first and last off") << QStringList{"Rate", "Special"} << "persist";
        QTest::newRow("off and on") << QStringList{"Rate", "Special", "Rate"} << "rate persist";
    }
    void togglesHideBlocksWithoutLeavingGaps() {
        QFETCH(QStringList, clicks);
        QFETCH(QString, shown);
        load(millionsFile());
        for (const QString& name : clicks) QTest::mouseClick(part("show" + name), Qt::LeftButton);
        QCoreApplication::processEvents();
        // Each shown block lies right below the one before it: nothing hidden keeps its room.
        int bottom = part("spanStats")->geometry().bottom();
        for (const QString& key : kKeys) {
            const QWidget* block = part(key + "Block");
            QCOMPARE(block->isVisible(), shown.split(' ').contains(key));
            if (!block->isVisible()) continue;
            QVERIFY2(block->y() > bottom && block->y() <= bottom + 20, qPrintable(key));
            bottom = block->geometry().bottom();
        }
        // The shown charts line up however wide the labels of those hidden.
        checkPlotEdges();
    }

    void opensEmptyThenChartsTheLoadedFile() {
        test::saveScreenshot(*view_, QStringLiteral("plot_view_empty"));
        for (const QString& key : kKeys) QVERIFY(headerDate(key).isNull());
        // Charted, emptied and charted again: the legend hides and shows again, its title too.
        load(risingFile());
        load(QByteArray(), "empty.jsonl");
        load(risingFile(), "store  2024-03 %1.jsonl");  // the title takes the name verbatim
        // One legend entry and colour per value, of the series charted.
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
            QVERIFY(std::abs(label.center().y() - first.center().y()) < 2 &&
                    label.right() + 12 < first.left() && label.left() > 0);
        }
        // Each chart shows the moment last picked on it, also once the pointer has left it and
        // its block has hidden and shown again.
        hover("persist", 0.5);
        hover("rate", 0.3);
        hover("rate", 0.7);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(chart("rate").viewport(), &leave);
        QTest::mouseClick(part("showRate"), Qt::LeftButton);
        QTest::mouseClick(part("showRate"), Qt::LeftButton);
        for (const auto& [key, share] : {std::pair{"persist", 0.5}, {"rate", 0.7}}) {
            const int x = inPlot(key, share).toPoint().x();
            QCOMPARE(headerDate(key), instantText(*chart(key).momentAt(x)));
        }
        hover("special", 0.6);
        test::saveScreenshot(*view_, QStringLiteral("plot_view"));
    }

    void savedDrawingsNameTheirFileAndSpan_data() {
        QTest::addColumn<int>("count");      // records of each kind
        QTest::addColumn<QString>("steps");  // as act() takes them
        QTest::addColumn<bool>("shapes");    // the dots as shapes of their own, not images
        QTest::newRow("few points") << 600 << "" << true;
        // Fewer than the limit in each chart, more in all three.
        QTest::newRow("past the limit") << 9000 << "" << false;
        QTest::newRow("zoomed in under it") << 9000 << "wheel persist .5 3" << true;
    }
    void savedDrawingsNameTheirFileAndSpan() {
        QFETCH(int, count);
        QFETCH(QString, steps);
        load(records("/s/Persist/1", 0, 60, count, 0, 1024) +
             records("/s/Special/1", 30, 60, count, 0, 512));
        act(steps);
        const test::TempDir dir;
        const QString svg = QString::fromStdString((dir.path() / "plot.svg").string());
        view_->findChild<QAction*>("saveSvgAction")->trigger();
        auto* dialog = view_->findChild<QFileDialog*>();
        dialog->selectFile(svg);
        static_cast<QDialog*>(dialog)->accept();
        delete dialog;
        QFile file(svg);
        QVERIFY(QSvgRenderer(svg).isValid() && file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("Persist (KB)") && !text.contains("Show Rate"));
        QTEST(!text.contains("<image"), "shapes");
        const AxisRange span = shown();
        QCOMPARE(
            text.count(("stats.jsonl, " + instantText(span.min) + " to " + instantText(span.max))
                           .toUtf8()),
            2);
    }

    // Series of very different magnitudes and signs, side by side.
    void unlikeRanges_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("zero rates beside millions") << millionsFile();
        // Each Persist record older than the one before: rates of minus millions, none above 0.
        QTest::newRow("negative rates") << records("/Persist/1", 0, -60, 10, 3e11, 8) +
                                               records("/Special/1", 0, 0, 1, 0, 1 << 20);
    }
    void unlikeRanges() {
        QFETCH(QByteArray, file);
        // The value axes go from their empty range to millions at once.
        load(file);
        const QString shot = "plot_view_" + QString(QTest::currentDataTag()).replace(' ', '_');
        test::saveScreenshot(*view_, shot);
        for (const QString& key : kKeys) {
            // No label shows a sign that none of the values has.
            const PlotSeries& points = chart(key).points();
            const QValueAxis* axis = chart(key).valueAxis();
            QVERIFY2(points.yMin() < 0 || axis->min() >= 0, qPrintable(key));
            QVERIFY2(points.yMin() >= 0 || points.yMax() > 0 || axis->max() <= 0, qPrintable(key));
        }
        // One instant lies at one x in all the charts, whatever their value labels.
        QVERIFY(!std::isnan(shown().min));
        checkPlotEdges();
        view_->resize(480, 700);
        QTRY_VERIFY(view_->pointsUpToDate());
        checkPlotEdges();
        QTest::mouseClick(part("showRate"), Qt::LeftButton);
        QTRY_VERIFY(view_->pointsUpToDate());
        checkPlotEdges();
        test::saveScreenshot(*view_, shot + "_narrow_rate_off");
    }

    void zoomAndPan_data() {
        QTest::addColumn<QString>("steps");  // as act() takes them
        QTest::addColumn<double>("from");    // the span shown then, in percent of the whole
        QTest::addColumn<double>("to");
        QTest::newRow("wheel, about the pointer") << "wheel persist .25 1" << 5.0 << 85.0;
        QTest::newRow("wheel out") << "wheel persist .25 1, wheel rate .9 -2" << 0.0 << 100.0;
        // The moment grabbed stays under the pointer, until the span meets an end.
        QTest::newRow("drag") << "wheel special .5 3, drag special .5 .6" << 19.28 << 70.48;
        QTest::newRow("drag past the start")
            << "wheel special .5 3, drag special .1 9" << 0.0 << 51.2;
        QTest::newRow("band, leftwards") << "band rate .4 .2" << 20.0 << 40.0;
        QTest::newRow("band, a slip of the hand") << "band rate .5 .502" << 0.0 << 100.0;
        QTest::newRow("band, let go of") << "band rate .4 .2 Esc" << 0.0 << 100.0;
        QTest::newRow("+ about the middle, and Right")
            << "key persist +, key persist Right" << 18.0 << 98.0;
        QTest::newRow("+ and -") << "key persist +, key persist -" << 0.0 << 100.0;
        QTest::newRow("double-click") << "wheel rate .5 2, click special .7" << 0.0 << 100.0;
        QTest::newRow("Home") << "wheel rate .5 2, key persist Home" << 0.0 << 100.0;
        QTest::newRow("Home, the focus elsewhere")
            << "wheel rate .5 2, key showSpecial Home" << 0.0 << 100.0;
    }
    void zoomAndPan() {
        QFETCH(QString, steps);
        QFETCH(double, from);
        QFETCH(double, to);
        load(risingFile());
        const AxisRange whole = shown();
        const qsizetype cut = std::max<qsizetype>(steps.lastIndexOf(", "), 0);
        act(steps.left(cut));
        const int drawn = view_->rasterRebuildCount();
        act(steps.mid(cut));
        const AxisRange span = shown();
        const auto percent = [&whole](double t) { return 100 * (t - whole.min) / whole.span(); };
        QCOMPARE(QString::asprintf("%.2f to %.2f", percent(span.min), percent(span.max)),
                 QString::asprintf("%.2f to %.2f", from, to));
        QVERIFY(std::ranges::none_of(view_->findChildren<QRubberBand*>(), &QWidget::isVisible));
        // Every zoom, pan and reset is kept in the model, for the windows that follow the plot.
        const std::optional<TimeSpan>& kept = model_->plotSpan();
        QCOMPARE(chart("special").visibleSpan(),
                 kept ? std::optional(AxisRange{kept->from, kept->to}) : std::nullopt);
        // The value axis fits the Persist points in view, of which those and a dot's reach about
        // them alone are gone through.
        const PlotSeries& points = chart("persist").points();
        const auto [first, last] = points.indicesWithin(span.min, span.max);
        const auto [low, high] = points.valueExtent(first, last).value();
        const QValueAxis* axis = chart("persist").valueAxis();
        QVERIFY(axis->min() <= low && axis->max() >= high &&
                axis->max() - axis->min() < (high - low) * 1.1 + 2);
        QVERIFY(chart("persist").layer().consideredCount() <= (last - first) * 11 / 10);
        if (chart("special").visibleSpan()) return;
        // The whole span's image was kept aside: coming back to it draws nothing anew.
        QCOMPARE(view_->rasterRebuildCount(), drawn);
    }

    void theModelsSpanMovesTheChartsAndIsSummedUp_data() {
        QTest::addColumn<double>("from");  // seconds after the first record; NaN: not zoomed
        QTest::addColumn<double>("to");
        QTest::addColumn<QString>("figures");
        // Ten Persist records of 1 MB a minute apart, two Special ones an hour apart.
        const QString rates = "rate mean %1 KB/s, peak 17 KB/s · interval shortest 1 min, mean ";
        QTest::newRow("the whole file")
            << qQNaN() << qQNaN()
            << "12 records · 10,244 KB · " + rates.arg(15) + "6 min 54 s, longest 1 h";
        QTest::newRow("three records")
            << 59.5 << 180.5 << "3 records · 3,072 KB · " + rates.arg(17) + "1 min, longest 1 min";
        QTest::newRow("between records")
            << 61.0 << 119.0 << QString("0 records · 0 KB · rate — · interval —");
    }
    void theModelsSpanMovesTheChartsAndIsSummedUp() {
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(QString, figures);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        load(records("/Persist/1", 0, 60, 10, 1 << 20, 8) +
             records("/Special/1", 30, 3600, 2, 2048, 8));
        const AxisRange whole = shown();
        std::optional<TimeSpan> span;
        if (!std::isnan(from)) span = TimeSpan{1709596800 + from, 1709596800 + to};
        // As another window would move it.
        model_->setPlotSpan(span);
        QTRY_COMPARE(part<QLabel>("spanStats")->text(), figures);
        QCOMPARE(shown(), span ? AxisRange({span->from, span->to}) : whole);
        // Ctrl+L, or the window's menu, hands the records in view to the list, while zoomed.
        view_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view_.get()));
        QTest::keyClick(view_.get(), Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(listed_, span ? std::optional(windowOf(*span)) : std::nullopt);
        QLocale::setDefault(QLocale::c());
    }

    void followsAGrowingFile_data() {
        QTest::addColumn<bool>("falling");    // the file as loaded runs back in time
        QTest::addColumn<QString>("steps");   // before it grows, as act() takes them
        QTest::addColumn<long long>("from");  // the new records' first moment, as risingFile's
        QTest::newRow("in order: the axes take them in") << false << "" << 36000LL;
        QTest::newRow("back in time") << false << "" << -30000LL;
        QTest::newRow("in order, zoomed: the span stays")
            << false << "wheel persist .25 1" << 36000LL;
        QTest::newRow("onto a file out of order, zoomed") << true << "wheel rate .5 2" << 600LL;
    }
    void followsAGrowingFile() {
        QFETCH(bool, falling);
        QFETCH(QString, steps);
        QFETCH(long long, from);
        test::FollowedFile file(*model_, risingFile(0, falling).toStdString());
        QTRY_VERIFY(!chart("persist").points().empty() && view_->pointsUpToDate());
        act(steps);
        const AxisRange before = shown();
        const std::optional<TimeSpan> span = model_->plotSpan();
        // More points than a block of them, the first filling the one left partly filled.
        QVERIFY(file.append((records("/s/Persist/1", from, 60, 700, 0, 4096) +
                             records("/s/Special/1", from + 30, 60, 700, 0, 2048))
                                .toStdString()));
        QTRY_COMPARE(chart("special").points().size(), model_->pointsSpecial().size());
        QTRY_VERIFY(view_->pointsUpToDate());
        QVERIFY(asIfAfresh("rate", PlotSeries(model_->ratesPoints())) &&
                asIfAfresh("persist", PlotSeries(model_->pointsPersist())) &&
                asIfAfresh("special", PlotSeries(model_->pointsSpecial())));
        QCOMPARE(model_->plotSpan(), span);
        QCOMPARE(shown(), span ? before : chart("rate").fullTimeRange());
        QVERIFY(span || (from < 0 ? shown().min < before.min : shown().max > before.max));
    }

    void loadsAndTheNarrowestZoom() {
        load(risingFile());
        const AxisRange whole = shown();
        // Other points over the very same ranges are drawn anew, not taken for the kept ones.
        const QValueAxis* axis = chart("persist").valueAxis();
        const AxisRange values{axis->min(), axis->max()};
        const int persistDrawn = chart("persist").layer().rebuildCount();
        load(risingFile(0, true), "falling.jsonl");
        QVERIFY((AxisRange{axis->min(), axis->max()} == values && shown() == whole));
        QCOMPARE(chart("persist").layer().rebuildCount(), persistDrawn + 1);
        act("wheel persist .25 1");
        test::saveScreenshot(*view_, QStringLiteral("plot_view_zoomed"));
        for (int i = 0; i < 60; ++i) act("wheel special .5 1");
        const AxisRange span = shown();
        QVERIFY(std::abs(span.span() - 30) < 0.01);
        // The moment under the pointer to the second, where no point lies, in the local zone.
        test::ScopedTimeZone paris("Europe/Paris");
        const double second = std::floor(span.min + span.span() * 0.37) + 0.5;
        hover("rate", (second - span.min) / span.span());
        QCOMPARE(headerDate("rate"), instantText(second));
        // Every load starts from the whole file, as the model forgets the span.
        load(risingFile(), "again.jsonl");
        QCOMPARE(shown(), whole);
        load(risingFile(86400), "next day.jsonl");
        QCOMPARE(shown().min, whole.min + 86400);
    }

private:
    inline static const QStringList kKeys{"rate", "persist", "special"};

    void load(const QByteArray& bytes, const std::string& name = "stats.jsonl") {
        QCOMPARE(test::loadBytes(*model_, bytes.toStdString(), name).status, LoadStatus::Loaded);
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

    /// The span the time axes show, in seconds since 1970; NaN unless all three show the same.
    AxisRange shown() {
        QList<AxisRange> spans;
        for (const QString& key : kKeys) {
            const QCategoryAxis* axis = chart(key).timeAxis();
            spans << AxisRange{axis->min() / 1e3, axis->max() / 1e3};
        }
        if (spans.count(spans[0]) == spans.size()) return spans[0];
        qWarning("the time axes show different spans");
        return {NAN, NAN};
    }

    /// Whether the chart's points, grown, read as `fresh`, the model's indexed anew: in order
    /// of time, with the same extremes over any stretch.
    bool asIfAfresh(const QString& key, const PlotSeries& fresh) {
        const PlotSeries& grown = chart(key).points();
        const auto all = [](const PlotSeries& series) {
            std::vector<std::tuple<double, double, std::size_t>> points;
            series.read([&points](const auto& in) {
                for (std::size_t i = 0; i < in.size(); ++i)
                    points.emplace_back(in.x(i), in.y(i), in.colour(i));
            });
            return points;
        };
        bool same = all(grown) == all(fresh) && grown.yMin() == fresh.yMin() &&
                    grown.yMax() == fresh.yMax();
        for (std::size_t first = 0; first < fresh.size(); first += 97)
            same = same &&
                   grown.valueExtent(first, first + 700) == fresh.valueExtent(first, first + 700);
        return same;
    }

    /// The chart's plot area, in its viewport's coordinates.
    QRectF plotArea(const QString& key) {
        const QChart* c = chart(key).chart();
        return chart(key).viewportTransform().mapRect(c->mapRectToScene(c->plotArea()));
    }

    /// The point `share` of the way across the chart's plot area, halfway up.
    QPointF inPlot(const QString& key, double share) {
        const QRectF area = plotArea(key);
        return {area.left() + share * area.width(), area.center().y()};
    }

    /// Checks that the plot areas of the shown charts share their left and right edges and are
    /// as tall as each other, to within the whole pixels that their margins and the blocks'
    /// heights come in, and that
    /// each chart shows a time label and every text whole.
    void checkPlotEdges() {
        for (const QString& key : kKeys) {
            const QChart& c = *chart(key).chart();
            if (!chart(key).isVisibleTo(view_.get())) continue;
            for (const QGraphicsItem* item : c.scene()->items()) {
                const auto* text = qgraphicsitem_cast<const QGraphicsTextItem*>(item);
                const QString shown = text && item->isVisible() ? text->toPlainText() : QString();
                QVERIFY2(!shown.contains(u'…') && !shown.contains("..."),
                         qPrintable(key + ": " + shown));
            }
            const QStringList labels = chart(key).timeAxis()->categoriesLabels();
            QVERIFY2(std::ranges::any_of(
                         labels, [&c](const QString& l) { return !shownText(c, l).isNull(); }),
                     qPrintable(key + ": " + labels.join('|')));
        }
        QList<QRectF> areas;
        for (const QString& key : kKeys) {
            const QPoint origin = chart(key).viewport()->mapTo(view_.get(), QPoint());
            if (chart(key).isVisibleTo(view_.get())) areas << plotArea(key).translated(origin);
        }
        QString apart;
        QDebug(&apart) << "plot areas apart:" << areas;
        for (const QRectF& area : areas)
            QVERIFY2(std::abs(area.left() - areas[0].left()) < 1 &&
                         std::abs(area.right() - areas[0].right()) < 1 &&
                         std::abs(area.height() - areas[0].height()) <= 1,
                     qPrintable(apart));
    }

    void hover(const QString& key, double share) {
        QTest::mouseMove(chart(key).viewport(), inPlot(key, share).toPoint());
    }

    /// Takes `steps`, "what chart a b" each, a and b in shares of the chart's plot area: wheel,
    /// b notches at a; click, a double-click at a; drag, or with Shift band, from a to b, the band
    /// let go of with Escape before the release where Esc follows; key, key a pressed on the
    /// chart, or on the part so named.
    void act(const QString& steps) {
        for (const QString& step : steps.split(", ", Qt::SkipEmptyParts)) {
            const QStringList word = step.split(' ');
            const QString& key = word[1];
            if (word[0] == "key") {
                QTest::keyClick(kKeys.contains(key) ? &chart(key) : part(key),
                                QKeySequence(word[2])[0].key());
                QTRY_VERIFY(view_->pointsUpToDate());
                continue;
            }
            const QPointF a = inPlot(key, word[2].toDouble());
            const QPointF b = inPlot(key, word.value(3).toDouble());
            QWidget* viewport = chart(key).viewport();
            if (word[0] == "wheel") {
                QWheelEvent wheel(a, viewport->mapToGlobal(a), {}, {0, 120 * word[3].toInt()},
                                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
                QCoreApplication::sendEvent(viewport, &wheel);
                // The header follows the moment under the pointer, on the zoomed axis.
                QCOMPARE(headerDate(key), instantText(*chart(key).momentAt(a.x())));
            }
            if (word[0] == "click") mouse(viewport, QEvent::MouseButtonDblClick, a);
            if (word[0] == "drag" || word[0] == "band") {
                const auto modifiers = word[0] == "band" ? Qt::ShiftModifier : Qt::NoModifier;
                const AxisRange before = shown();
                mouse(viewport, QEvent::MouseButtonPress, a, modifiers);
                mouse(viewport, QEvent::MouseMove, b, modifiers);
                // While selecting, the band shows the span and nothing zooms yet.
                const auto* band = viewport->findChild<QRubberBand*>();
                if (word[0] == "band")
                    QVERIFY(band && band->isVisible() && shown() == before &&
                            std::abs(band->width() - std::abs(b.x() - a.x())) <= 2);
                if (word.value(4) == "Esc") QTest::keyClick(&chart(key), Qt::Key_Escape);
                mouse(viewport, QEvent::MouseButtonRelease, b, modifiers);
            }
            QTRY_VERIFY(view_->pointsUpToDate());
        }
    }

    static void mouse(QWidget* viewport, QEvent::Type type, QPointF at,
                      Qt::KeyboardModifiers modifiers = {}) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButton held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, viewport->mapToGlobal(at), button, held, modifiers);
        QCoreApplication::sendEvent(viewport, &event);
    }

    std::unique_ptr<Quillstat> model_;
    std::unique_ptr<PlotView> view_;
    std::optional<TimeWindow> listed_;  ///< what the view last showed in the list
};

}  // namespace quill::ui

QTEST_MAIN(quill::ui::PlotViewTest)
#include "plot_view_test.moc"
