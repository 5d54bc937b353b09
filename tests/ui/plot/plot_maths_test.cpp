#include <QTest>
#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <tuple>

#include "tests/support.h"
#include "ui/plot/plot_scale.h"
#include "ui/plot/plot_series.h"
#include "ui/plot/point_raster.h"
#include "ui/plot/time_zoom.h"

namespace quill::ui {
namespace {

QString text(AxisRange span) {
    return QString::number(span.min, 'g', 12) + " to " + QString::number(span.max, 'g', 12);
}

/// The title and labels of a time axis over `span` seconds from `from`, `pixels` wide, its labels
/// 7 pixels a character and free to reach 10 pixels past its end, in the time zone `zone`; with
/// `first`, the first tick's moment instead.
QString ticks(const char* zone, double from, double span, double pixels, bool first = false) {
    test::ScopedTimeZone tz(zone);
    const auto width = [](const QString& label) { return 7.0 * static_cast<double>(label.size()); };
    const TimeTicks result = timeTicks({from, from + span}, pixels, 10, width);
    if (first) return QString::number(result.moments.value(0), 'f', 0);
    return result.title + ": " + result.labels.join(' ');
}

QString at(const char* zone, double seconds) {
    test::ScopedTimeZone tz(zone);
    return instantText(seconds);
}

constexpr QRgb kRed = 0xffff0000, kGreen = 0xff00ff00, kBlue = 0xff0000ff;
constexpr std::array<QRgb, 3> kPalette{kRed, kGreen, kBlue};

/// {x, y, colour} points, as the rasteriser reads them.
struct Dots {
    std::vector<std::array<double, 3>> points;
    std::size_t size() const { return points.size(); }
    template <typename Use>
    void batches(std::size_t first, std::size_t last, Use&& use) const {
        for (std::size_t i = first; i < last; ++i) {
            const auto colour = static_cast<std::size_t>(points[i][2]);
            use(i, 1, &points[i][0], &points[i][1], &colour);
        }
    }
};

/// Draws `dots` as dots of area 25 into `image`, 101 by 101 pixels, where x value v lands in
/// pixel column v and y value v in row 99 - v.
QImage draw(Dots dots, std::span<const QRgb> palette = kPalette, QImage image = {},
            PointRange range = {}) {
    const RasterFrame frame{{{0, 101}, 101}, {{-2, 99}, 101, true}, {101, 101}};
    rasterisePoints(dots, frame, DotStamp(dotDiameter(25)), palette, image, range);
    return image;
}

QList<QRgb> pixels(const QImage& image, std::initializer_list<QPoint> points) {
    QList<QRgb> result;
    for (const QPoint& at : points) result << image.pixel(at);
    return result;
}

/// Persist lines between Special and other ones, their times mostly rising but stepping back
/// now and then and repeating, their sizes wandering up and down as they grow: the extremes of
/// a span lie near its ends.
std::string steppingFile(int lines) {
    std::string out;
    long long time = 1709596800;
    for (int i = 0; i < lines; ++i) {
        time += i % 41 == 0 ? -3600 : i % 13 == 0 ? 0 : (i * 7919) % 600;
        const long long kb = (i * 7919) % 1009;
        const std::vector<test::Proc> processes{
            {"a", (kb + 4 * i) << 10}, {"b", (1009 - kb + 2 * i) << 10}, {"c", (3 * i) << 10}};
        out += test::statLine(time, kb << 12, "/s/Persist/1", processes) + "\n";
        out += test::statLine(time + 5, kb << 11, i % 2 ? "/s/Special/1" : "/s/Other", processes) +
               "\n";
    }
    return out;
}

using Point = std::tuple<double, double, std::size_t>;

/// (x, y, colour) of each of the model's points, in order of time, those of one moment in the
/// order of the file.
template <typename Series>
std::vector<Point> sortedByHand(const Series& series) {
    std::vector<Point> points;
    for (std::size_t k = 0; k < series.size(); ++k) {
        if constexpr (std::is_same_v<Series, PointSeries>)
            points.emplace_back(series.date(k), series.sizeKB(k), PointSeries::position(k));
        else
            points.emplace_back(series.date(k), series.rate(k), 0);
    }
    std::ranges::stable_sort(points, {}, [](const Point& p) { return std::get<0>(p); });
    return points;
}

}  // namespace

class PlotMathsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        QCOMPARE(test::loadBytes(model_, steppingFile(600)).status, LoadStatus::Loaded);
    }

    // Each row makes its text here, so that a failing row shows the call's text beside the one
    // expected.
    void texts_data() {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        QTest::newRow("pad: spread") << text(paddedRange(100, 5000, 1)) << "-96 to 5196";
        QTest::newRow("pad: one value") << text(paddedRange(7, 7, 1)) << "6 to 8";
        QTest::newRow("pad: reversed")
            << text(paddedRange(10, -4e6, 1)) << "-4160000.4 to 160010.4";
        QTest::newRow("pad: huge") << text(paddedRange(9e18, 9e18, 1)) << "8.64e+18 to 9.36e+18";
        QTest::newRow("step: up to 2") << QString::number(niceStep(7000, 5)) << "2000";
        QTest::newRow("step: up to 5") << QString::number(niceStep(2100, 5)) << "500";
        QTest::newRow("step: one, still two ticks") << QString::number(niceStep(4182, 1)) << "2000";
        QTest::newRow("step: never below one") << QString::number(niceStep(3, 8)) << "1";
        // Zooming and panning within the full range {0, 1000}, no narrower than 30, beyond what
        // the plot view's zoom table covers.
        const AxisRange full{0, 1000};
        QTest::newRow("zoom out: stops at the end")
            << text(zoomedSpan({900, 1000}, 990, 3, full, 30)) << "700 to 1000";
        // Zoomed in further than the narrowest span allows, the anchor keeps its place in it;
        // there, further zooming moves nothing, not even towards the anchor.
        QTest::newRow("zoom: to the narrowest")
            << text(zoomedSpan({400, 600}, 450, 1e-15, full, 30)) << "442.5 to 472.5";
        QTest::newRow("zoom: at the narrowest")
            << text(zoomedSpan({442.5, 472.5}, 472.5, 0.5, full, 30)) << "442.5 to 472.5";
        QTest::newRow("pan: stops at the end")
            << text(pannedSpan({100, 200}, 5000, full)) << "900 to 1000";
        QTest::newRow("pan: by nothing") << text(pannedSpan({100, 200}, NAN, full)) << "100 to 200";
        QTest::newRow("clamp: moved in") << text(clampedSpan({-50, 50}, full, 30)) << "0 to 100";
        QTest::newRow("clamp: widened") << text(clampedSpan({500, 510}, full, 30)) << "490 to 520";
        // Nonsense gives the full range, never an empty or inverted one.
        QTest::newRow("clamp: inverted") << text(clampedSpan({600, 500}, full, 30)) << "0 to 1000";
        QTest::newRow("clamp: NaN") << text(clampedSpan({NAN, 500}, full, 30)) << "0 to 1000";
        // Times so far out that doubles lie seconds apart: a narrower span would scatter dots.
        QTest::newRow("narrowest: far out")
            << QString::number(minimumSpan({9e18, 9.1e18}), 'f', 0) << "1024000";
        constexpr double kHour = 3600, kDay = 86400, kYear = 365.2425 * kDay;
        // 1.7e9 is 2023-11-14 22:13:20 UTC.
        QTest::newRow("ticks: seconds")
            << ticks("UTC", 1.7e9, 120, 400)
            << "Time on 2023-11-14: 22:13:30 22:14:00 22:14:30 22:15:00";
        QTest::newRow("ticks: half-hour zone")
            << ticks("Asia/Kolkata", 1.7e9, 6 * kHour, 400)
            << "Time on 2023-11-15: 04:00 05:00 06:00 07:00 08:00 09:00";
        QTest::newRow("ticks: on the zone's hour")
            << ticks("Asia/Kolkata", 1.7e9, 6 * kHour, 400, true) << "1700001000";
        // The labels that would reach past either end are left out: midnight, and 09:00.
        QTest::newRow("ticks: hours over midnight") << ticks("Europe/Paris", 1.7e9, 10 * kHour, 400)
                                                    << "Time in 2023: 11-15 03:00 11-15 06:00";
        QTest::newRow("ticks: days")
            << ticks("UTC", 1.7e9, 10 * kDay, 400) << "Date in 2023: 11-17 11-19 11-21 11-23";
        QTest::newRow("ticks: weeks over new year")
            << ticks("UTC", 1.7e9 + 36 * kDay, 21 * kDay, 800)
            << "Date: 2023-12-25 2024-01-01 2024-01-08";
        QTest::newRow("ticks: months")
            << ticks("UTC", 1.7e9, kYear, 800) << "Date: 2024-01 2024-04 2024-07 2024-10";
        QTest::newRow("ticks: decades")
            << ticks("UTC", -8e7, 57 * kYear, 400) << "Date: 1970 1980 1990 2000 2010 2020";
        // The year stands in the title, or in each label where it changes within the span.
        QTest::newRow("ticks: another year")
            << ticks("UTC", 6e8, 3 * kDay, 400) << "Date in 1989: 01-06 01-07 01-08";
        QTest::newRow("ticks: narrow over new year")
            << ticks("UTC", 1.7e9 + 47 * kDay, 10 * kHour, 200) << "Time: 2024-01-01 03:00";
        QTest::newRow("ticks: too narrow")
            << ticks("UTC", 1.7e9, 10 * kHour, 30) << "Time in 2023: ";
        // 02:00 never comes that night.
        QTest::newRow("ticks: clocks go forward")
            << ticks("Europe/Paris", 1711839600, 5 * kHour, 400)
            << "Time on 2024-03-31: 01:00 03:00 04:00 05:00";
        QTest::newRow("ticks: far out")
            << ticks("UTC", -1e14, 2e14, 400) << "Date: 2000001 BC 0001 BC 2000000";
        // The moment a header shows, in the local time zone; the zones themselves are the date
        // formatter's, tested with it.
        QTest::newRow("floored") << at("Europe/Paris", 1709644029.9) << "14:07:09+0100 2024-03-05";
        QTest::newRow("before 1970") << at("UTC", -0.5) << "23:59:59+0000 1969-12-31";
        QTest::newRow("clamped") << at("UTC", 1e30) << "15:30:07+0000 292277026596-12-04";
    }
    void texts() {
        QFETCH(QString, actual);
        QTEST(actual, "expected");
    }
    void readsThePointsInOrderOfTime() {
        const auto check = [](const auto& series) {
            const PlotSeries plotted(series);
            const std::vector<Point> expected = sortedByHand(series);
            // From within a line to within another, as a zoomed chart reads them.
            std::vector<Point> read;
            plotted.read([&](const auto& points) {
                points.batches(1, points.size() - 1,
                               [&](std::size_t, std::size_t count, const double* xs,
                                   const double* ys, const std::size_t* colours) {
                                   for (std::size_t j = 0; j < count; ++j)
                                       read.emplace_back(xs[j], ys[j], colours[j]);
                               });
            });
            QVERIFY(read == std::vector(expected.begin() + 1, expected.end() - 1));
            QCOMPARE(plotted.xMin(), std::get<0>(expected.front()));
            QCOMPARE(plotted.xMax(), std::get<0>(expected.back()));
        };
        check(model_.ratesPoints());
        check(model_.pointsPersist());
    }

    void spansAndTheirExtremesAgreeWithEveryPoint() {
        // Over several blocks of points and part of one, with moments at the blocks' edges.
        const PlotSeries series(model_.pointsPersist());
        const std::vector<Point> points = sortedByHand(model_.pointsPersist());
        QVERIFY(points.size() > 3 * ValueBlocks::kSize);
        std::vector<double> moments{std::get<0>(points.front()) - 1,
                                    std::get<0>(points.back()) + 1};
        for (const std::size_t i : {0, 1, 511, 512, 513, 1024, 1100, 1535, 1536, 1537})
            moments.push_back(std::get<0>(points[i]));
        moments.push_back(std::get<0>(points.back()));
        for (const double from : moments) {
            for (const double to : moments) {
                std::pair<std::size_t, std::size_t> expected;
                std::optional<std::pair<double, double>> extent;
                for (const auto& [x, y, colour] : points) {
                    expected.first += x < from;
                    expected.second += x <= to;
                    if (x < from || x > to) continue;
                    const auto [low, high] = extent.value_or(std::pair{y, y});
                    extent = std::pair{std::min(low, y), std::max(high, y)};
                }
                const auto within = series.indicesWithin(from, to);
                if (from <= to) QCOMPARE(within, expected);
                QVERIFY2(series.valueExtent(within.first, within.second) == extent,
                         qPrintable(QString::asprintf("%f to %f", from, to)));
            }
        }
    }

    // The series' own times step back now and then, and are put in order as they are read;
    // these lie too far from any order for that.
    void timeOrderAgreesWithAStableSort() {
        std::vector<double> times;
        for (int i = 0; i < 5000; ++i) times.push_back(((i * 7919) % 1201 - 600) * 1e6);
        std::vector<std::uint32_t> expected(times.size());
        std::iota(expected.begin(), expected.end(), 0u);
        std::ranges::stable_sort(expected, {}, [&times](std::uint32_t i) { return times[i]; });
        QCOMPARE(timeOrder(times), expected);
        std::ranges::sort(times);
        QVERIFY(timeOrder(times).empty());  // in order already: no order kept
    }

    void pointLandsOnItsPixelInItsColour_data() {
        QTest::addColumn<QPoint>("value");
        QTest::addColumn<int>("colour");
        QTest::addColumn<QRgb>("rgb");
        QTest::newRow("centre, first colour") << QPoint(50, 49) << 0 << kRed;
        QTest::newRow("low value sits low") << QPoint(20, 9) << 1 << kGreen;
        QTest::newRow("high value sits high") << QPoint(80, 89) << 2 << kBlue;
        QTest::newRow("palette cycles") << QPoint(30, 69) << 4 << kGreen;
    }
    void pointLandsOnItsPixelInItsColour() {
        QFETCH(QPoint, value);
        QFETCH(int, colour);
        QFETCH(QRgb, rgb);
        const QImage image = draw({{{double(value.x()), double(value.y()), double(colour)}}});
        const QPoint pixel(value.x(), 99 - value.y());
        // A disc whole two pixels out along an axis, smoothed further out, nothing beyond.
        QCOMPARE(pixels(image, {pixel, pixel + QPoint(2, 0), pixel + QPoint(0, -2)}),
                 QList<QRgb>(3, rgb));
        const int edgeAlpha = qAlpha(image.pixel(pixel + QPoint(2, 2)));
        QVERIFY(edgeAlpha > 0 && edgeAlpha < 255);
        QCOMPARE(pixels(image, {pixel + QPoint(4, 0), pixel + QPoint(0, 4)}), QList<QRgb>(2, 0));
    }

    void laterPointsCoverEarlierOnesAndNoneOffTheImageOrTheRange() {
        QImage image = draw({{{40, 59, 0}, {43, 59, 2}, {60, 59, 2}, {60, 59, 1}, {40, 59, 0}}});
        QCOMPARE(pixels(image, {{39, 40}, {41, 40}, {60, 40}}), (QList<QRgb>{kRed, kRed, kGreen}));
        // Drawn again into the same image: one pixel many times over, and nothing left of before.
        image = draw({{{50, 49, 0}, {50, 49, 2}, {50, 49, 0}}}, kPalette, std::move(image));
        QCOMPARE(pixels(image, {{50, 50}, {39, 40}, {60, 40}}), (QList<QRgb>{kRed, 0, 0}));
        // Centres on two corners and just off an edge, then far off, nowhere, or out of reach.
        // clang-format off
        image = draw({{{0, 99, 0}, {100, -1, 1}, {-2, 50, 2},
                       {1e9, 1e9, 0}, {-1e30, 50, 0}, {INFINITY, 50, 0},
                       {50, -INFINITY, 0}, {NAN, 50, 0}, {50, NAN, 0}, {103, 102, 0}}});
        // clang-format on
        QCOMPARE(pixels(image, {{0, 0}, {100, 100}, {0, 49}, {50, 50}}),
                 (QList<QRgb>{kRed, kGreen, kBlue, 0}));
        QCOMPARE(draw({{{50, 49, 0}}}, {}).pixel(50, 50), QRgb{0});  // no palette, nothing drawn
        const Dots row{{{10, 49, 0}, {50, 49, 0}, {90, 49, 0}}};
        QCOMPARE(pixels(draw(row, kPalette, {}, {1, 2}), {{10, 50}, {50, 50}, {90, 50}}),
                 (QList<QRgb>{0, kRed, 0}));
        QCOMPARE(pixels(draw(row, kPalette, {}, {1, 99}), {{10, 50}, {50, 50}, {90, 50}}),
                 (QList<QRgb>{0, kRed, kRed}));
    }

private:
    Quillstat model_;
};

}  // namespace quill::ui

QTEST_MAIN(quill::ui::PlotMathsTest)
#include "plot_maths_test.moc"
