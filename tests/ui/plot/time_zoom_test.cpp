#include "ui/plot/time_zoom.h"

#include <QTest>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "ui/plot/point_columns.h"
#include "ui/plot/point_raster.h"

namespace quill::ui {

namespace {

PointColumns columnsAt(const std::vector<double>& times, const std::vector<double>& values,
                       const std::vector<std::uint16_t>& colours = {}) {
    PointColumns points;
    points.xOrigin = times.front();
    for (std::size_t i = 0; i < times.size(); ++i) {
        points.x.push_back(static_cast<float>(times[i] - points.xOrigin));
        points.y.push_back(static_cast<float>(values[i]));
    }
    points.colour = colours;
    return points;
}

}  // namespace

class TimeZoomTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void zoomKeepsTheAnchorWhereItWas() {
        const AxisRange full{0, 1000};
        const AxisRange span = zoomedSpan({100, 300}, 150, 0.5, full, 30);
        QCOMPARE(span, (AxisRange{125, 225}));
        // Zooming out past the full range stops at it, however far the anchor lies to a side.
        QCOMPARE(zoomedSpan({0, 800}, 700, 4, full, 30), full);
        QCOMPARE(zoomedSpan({900, 1000}, 990, 3, full, 30), (AxisRange{700, 1000}));
    }

    void zoomStopsAtTheNarrowestSpan() {
        const AxisRange full{0, 1000};
        AxisRange span{400, 600};
        for (int i = 0; i < 50; ++i) span = zoomedSpan(span, 450, 0.5, full, 30);
        QCOMPARE(span.span(), 30.0);
        // At the floor, further zooming moves nothing, not even towards the anchor.
        QCOMPARE(zoomedSpan(span, span.max, 0.5, full, 30), span);
    }

    void panStopsAtTheEnds() {
        const AxisRange full{0, 1000};
        QCOMPARE(pannedSpan({100, 200}, 50, full), (AxisRange{150, 250}));
        QCOMPARE(pannedSpan({100, 200}, -500, full), (AxisRange{0, 100}));
        QCOMPARE(pannedSpan({100, 200}, 5000, full), (AxisRange{900, 1000}));
        QCOMPARE(pannedSpan({100, 200}, NAN, full), (AxisRange{100, 200}));
    }

    void clampKeepsSpansSound() {
        const AxisRange full{0, 1000};
        QCOMPARE(clampedSpan({-50, 50}, full, 30), (AxisRange{0, 100}));
        QCOMPARE(clampedSpan({-50, 5000}, full, 30), full);
        QCOMPARE(clampedSpan({500, 510}, full, 30), (AxisRange{490, 520}));
        // Nonsense gives the full range, never an empty or inverted one.
        QCOMPARE(clampedSpan({600, 500}, full, 30), full);
        QCOMPARE(clampedSpan({NAN, 500}, full, 30), full);
    }

    void narrowestSpanFollowsThePrecisionOfTheTimes() {
        QCOMPARE(minimumSpan({0, 86400}), 30.0);
        // Five years from the first point: floats there are 16 s apart, so a zoom to half a
        // minute would scatter the dots by many pixels.
        const double wide = minimumSpan({1.7e9, 1.7e9 + 5 * 365 * 86400.0});
        QVERIFY2(wide >= 16 * 500 && wide < 86400, qPrintable(QString::number(wide)));
    }

    void sortingByTimeKeepsPointsWhole() {
        PointColumns points =
            columnsAt({1e9 + 30, 1e9 + 10, 1e9 + 20, 1e9 + 10}, {3, 1, 2, 4}, {0, 1, 2, 3});
        sortByTime(points);
        QCOMPARE(points.x, (std::vector<float>{-20, -20, -10, 0}));
        // Of one moment, the one that came first stays first.
        QCOMPARE(points.y, (std::vector<float>{1, 4, 2, 3}));
        QCOMPARE(points.colour, (std::vector<std::uint16_t>{1, 3, 2, 0}));
    }

    void sortingAgreesWithAStableSortOfManyPoints_data() {
        QTest::addColumn<bool>("nearlySorted");
        QTest::newRow("stepping back now and then") << true;
        QTest::newRow("all over the place") << false;
    }
    void sortingAgreesWithAStableSortOfManyPoints() {
        QFETCH(bool, nearlySorted);
        // Times mostly rising, stepping back now and then, some repeated, some before the
        // first point (negative offsets from the origin); or scattered, with repeats.
        std::vector<double> times;
        std::vector<double> values;
        double time = 1.7e9;
        for (int i = 0; i < 5000; ++i) {
            time += i % 97 == 0 ? -3600.0 : i % 13 == 0 ? 0.0 : (i * 7919) % 600;
            const double scattered = 1.7e9 + (i * 7919) % 1201 - 600;
            times.push_back(!nearlySorted ? scattered : i == 0 ? time + 50 : time);
            values.push_back(i);
        }
        PointColumns points = columnsAt(times, values);
        std::vector<std::size_t> expected(times.size());
        std::iota(expected.begin(), expected.end(), std::size_t{0});
        std::stable_sort(expected.begin(), expected.end(),
                         [&points](auto a, auto b) { return points.x[a] < points.x[b]; });
        sortByTime(points);
        QVERIFY(std::is_sorted(points.x.begin(), points.x.end()));
        for (std::size_t i = 0; i < expected.size(); ++i)
            QCOMPARE(points.y[i], static_cast<float>(expected[i]));
    }

    void bisectionFindsTheSpanWithItsEnds() {
        PointColumns points = columnsAt({100, 110, 120, 130, 140}, {5, 9, 1, 7, 3});
        QCOMPARE(indicesWithin(points, 110, 130), (std::pair<std::size_t, std::size_t>{1, 4}));
        QCOMPARE(indicesWithin(points, 111, 129), (std::pair<std::size_t, std::size_t>{2, 3}));
        QCOMPARE(indicesWithin(points, 0, 50), (std::pair<std::size_t, std::size_t>{0, 0}));
        QCOMPARE(indicesWithin(points, 200, 300), (std::pair<std::size_t, std::size_t>{5, 5}));
        QCOMPARE(indicesWithin(points, 130, 110).first, indicesWithin(points, 130, 110).second);
        QCOMPARE(valueExtent(points, 1, 4), (std::pair{1.0, 9.0}));
        QCOMPARE(valueExtent(points, 3, 3), std::nullopt);
        QCOMPARE(valueExtent(points, 4, 99), (std::pair{3.0, 3.0}));
    }

    void blocksGiveTheSameExtremesAsEveryPoint() {
        // Sizes that wander up and down, over a few blocks and a part of one.
        std::vector<double> times;
        std::vector<double> values;
        const std::size_t count = 3 * ValueBlocks::kSize + 77;
        for (std::size_t i = 0; i < count; ++i) {
            times.push_back(static_cast<double>(i));
            values.push_back(static_cast<double>((i * 7919) % 1009) - 300);
        }
        const PointColumns points = columnsAt(times, values);
        const ValueBlocks blocks = valueBlocks(points);
        QCOMPARE(blocks.low.size(), std::size_t{4});
        const std::size_t edges[] = {0, 1, 511, 512, 513, 1024, 1100, 1535, 1536, count - 1, count};
        for (const std::size_t first : edges) {
            for (const std::size_t last : edges) {
                QVERIFY2(
                    valueExtent(points, blocks, first, last) == valueExtent(points, first, last),
                    qPrintable(QStringLiteral("%1 to %2").arg(first).arg(last)));
            }
        }
    }

    void rasterDrawsOnlyTheRangeGiven() {
        PointColumns points = columnsAt({0, 50, 100}, {50, 50, 50});
        const RasterFrame frame{LinearScale({-10, 110}, 120), LinearScale({0, 100}, 100, true),
                                QSize(120, 100)};
        const QRgb red = qRgb(255, 0, 0);
        QImage image;
        rasterisePoints(points, frame, DotStamp(3), std::span(&red, 1), image, {1, 2});
        const auto drawn = [&image](int x) { return qAlpha(image.pixel(x, 50)) != 0; };
        QVERIFY(!drawn(10) && drawn(60) && !drawn(110));
        rasterisePoints(points, frame, DotStamp(3), std::span(&red, 1), image, {1, 99});
        QVERIFY(!drawn(10) && drawn(60) && drawn(110));
    }
};

}  // namespace quill::ui

QTEST_MAIN(quill::ui::TimeZoomTest)
#include "time_zoom_test.moc"
