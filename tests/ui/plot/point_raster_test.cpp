// The plot's points without a window: the compact columns made from the model's series, and the
// image they are drawn into.

#include "ui/plot/point_raster.h"

#include <QTest>
#include <array>
#include <cmath>
#include <limits>

#include "ui/plot/point_columns.h"

namespace quill::ui {

namespace {

constexpr QRgb kRed = 0xffff0000;
constexpr QRgb kGreen = 0xff00ff00;
constexpr QRgb kBlue = 0xff0000ff;
constexpr std::array<QRgb, 3> kPalette{kRed, kGreen, kBlue};

PointStats point(double date, std::int64_t size, const char* value) {
    PointStats p;
    p.date = date;
    p.size = size;
    p.value = Text(value);
    return p;
}

/// Columns of points given directly, x relative to 0.
PointColumns columns(std::initializer_list<std::array<double, 3>> points) {
    PointColumns c;
    for (const auto& [x, y, colour] : points) {
        c.x.push_back(static_cast<float>(x));
        c.y.push_back(static_cast<float>(y));
        c.colour.push_back(static_cast<std::uint16_t>(colour));
    }
    return c;
}

/// A 101 by 101 image where x value v lands in pixel column v and y value v in row 99 - v.
RasterFrame squareFrame() {
    return {LinearScale({0, 101}, 101), LinearScale({-2, 99}, 101, true), QSize(101, 101)};
}

const DotStamp& standardDot() {
    static const DotStamp dot(dotDiameter(25));
    return dot;
}

}  // namespace

class PointRasterTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void columnsNumberValuesByFirstAppearance();
    void columnsKeepDatesExactFarFrom1970();
    void columnsOfRatesHaveOneColour();
    void dotCoversItsArea_data();
    void dotCoversItsArea();
    void pointLandsOnItsPixelInItsColour_data();
    void pointLandsOnItsPixelInItsColour();
    void laterPointsCoverEarlierOnes();
    void pointsAtTheEdgeAreClipped();
    void nothingDrawnWithoutPalette();
    void imageIsReusedAndCleared();
};

void PointRasterTest::columnsNumberValuesByFirstAppearance() {
    const std::vector<PointStats> points{point(10, 5, "Persist 2"), point(11, 7, "Persist 1"),
                                         point(12, 9, "Persist 2"), point(13, 1, "Persist 3"),
                                         point(9, 3, "Persist 1")};
    const PointColumns c = pointColumns(points);
    QCOMPARE(c.size(), std::size_t{5});
    QCOMPARE(c.values, (std::vector<std::string>{"Persist 2", "Persist 1", "Persist 3"}));
    QCOMPARE(c.colour, (std::vector<std::uint16_t>{0, 1, 0, 2, 1}));
    QCOMPARE(c.xMin, 9.0);
    QCOMPARE(c.xMax, 13.0);
    QCOMPARE(c.yMin, 1.0);
    QCOMPARE(c.yMax, 9.0);
    QCOMPARE(c.y, (std::vector<float>{5, 7, 9, 1, 3}));
    // Texts equal in content but made apart are one value.
    const PointColumns apart = pointColumns({point(1, 1, "A"), point(2, 2, "B"), point(3, 3, "A")});
    QCOMPARE(apart.colour, (std::vector<std::uint16_t>{0, 1, 0}));
    QVERIFY(pointColumns({}).empty());
}

void PointRasterTest::columnsKeepDatesExactFarFrom1970() {
    // Seconds apart in 2023: a float of the date itself could not tell them apart.
    const PointColumns c =
        pointColumns({point(1.7e9, 1, "A"), point(1.7e9 + 1, 1, "A"), point(1.7e9 + 7, 1, "A")});
    QCOMPARE(c.xOrigin + c.x[1], 1.7e9 + 1);
    QCOMPARE(c.xOrigin + c.x[2], 1.7e9 + 7);
}

void PointRasterTest::columnsOfRatesHaveOneColour() {
    RateStats a;
    a.date = 100;
    a.rate = 40;
    RateStats b;
    b.date = 50;
    b.rate = 80;
    const PointColumns c = rateColumns({a, b});
    QCOMPARE(c.size(), std::size_t{2});
    QVERIFY(c.colour.empty());
    QVERIFY(c.values.empty());
    QCOMPARE(c.xMin, 50.0);
    QCOMPARE(c.yMax, 80.0);
    QVERIFY(c.bytes() <= 2 * 10 + 64);
}

void PointRasterTest::dotCoversItsArea_data() {
    QTest::addColumn<double>("diameter");
    QTest::addColumn<int>("reach");
    QTest::newRow("area 25") << dotDiameter(25) << 3;
    QTest::newRow("area 25 at twice the pixel ratio") << 2 * dotDiameter(25) << 6;
    QTest::newRow("one pixel") << 1.0 << 0;
    QTest::newRow("vanishing") << 0.01 << 0;
}

void PointRasterTest::dotCoversItsArea() {
    QFETCH(double, diameter);
    QFETCH(int, reach);
    const DotStamp dot(diameter);
    QCOMPARE(dot.reach(), reach);
    double covered = 0;
    for (const DotStamp::Cell& cell : dot.cells()) {
        QVERIFY(std::abs(cell.dx) <= reach && std::abs(cell.dy) <= reach);
        QVERIFY(cell.coverage >= 1 && cell.coverage <= 256);
        covered += cell.coverage / 256.0;
        if (cell.dx == 0 && cell.dy == 0 && diameter > 1) QCOMPARE(cell.coverage, 256u);
    }
    const double area = std::numbers::pi * diameter * diameter / 4;
    QVERIFY2(std::abs(covered - area) < 0.05 * area + 0.05 || diameter < 0.1,
             qPrintable(QStringLiteral("%1 vs %2").arg(covered).arg(area)));
    QVERIFY(!dot.cells().empty());
}

void PointRasterTest::pointLandsOnItsPixelInItsColour_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("colour");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<QRgb>("rgb");
    QTest::newRow("centre, first colour") << 50.0 << 49.0 << 0 << QPoint(50, 50) << kRed;
    QTest::newRow("low value sits low") << 20.0 << 9.0 << 1 << QPoint(20, 90) << kGreen;
    QTest::newRow("high value sits high") << 80.0 << 89.0 << 2 << QPoint(80, 10) << kBlue;
    QTest::newRow("palette cycles") << 30.0 << 69.0 << 4 << QPoint(30, 30) << kGreen;
}

void PointRasterTest::pointLandsOnItsPixelInItsColour() {
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(int, colour);
    QFETCH(QPoint, pixel);
    QFETCH(QRgb, rgb);
    const QImage image = rasterisePoints(columns({{x, y, static_cast<double>(colour)}}),
                                         squareFrame(), standardDot(), kPalette);
    QCOMPARE(image.size(), QSize(101, 101));
    QCOMPARE(image.pixel(pixel), rgb);
    // The disc around it: whole two pixels away along an axis, smoothed further out, nothing
    // beyond its reach.
    QCOMPARE(image.pixel(pixel + QPoint(2, 0)), rgb);
    QCOMPARE(image.pixel(pixel + QPoint(0, -2)), rgb);
    const int edgeAlpha = qAlpha(image.pixel(pixel + QPoint(2, 2)));
    QVERIFY(edgeAlpha > 0 && edgeAlpha < 255);
    QCOMPARE(image.pixel(pixel + QPoint(4, 0)), QRgb{0});
    QCOMPARE(image.pixel(pixel + QPoint(0, 4)), QRgb{0});
    QCOMPARE(image.pixel(QPoint(0, 0)), QRgb{0});
}

void PointRasterTest::laterPointsCoverEarlierOnes() {
    const QImage image =
        rasterisePoints(columns({{40, 59, 0}, {43, 59, 2}, {60, 59, 2}, {60, 59, 1}}),
                        squareFrame(), standardDot(), kPalette);
    QCOMPARE(image.pixel(39, 40), kRed);
    QCOMPARE(image.pixel(41, 40), kBlue);
    QCOMPARE(image.pixel(42, 40), kBlue);
    QCOMPARE(image.pixel(60, 40), kGreen);
    // Many dots on one pixel, colours taking turns: the last one drawn shows.
    const QImage crowded = rasterisePoints(
        columns({{50, 49, 0}, {50, 49, 1}, {50, 49, 0}, {50, 49, 2}, {50, 49, 1}, {52, 49, 2}}),
        squareFrame(), standardDot(), kPalette);
    QCOMPARE(crowded.pixel(52, 50), kBlue);
    QCOMPARE(crowded.pixel(48, 50), kGreen);
    const QImage settled =
        rasterisePoints(columns({{50, 49, 2}, {50, 49, 0}, {50, 49, 2}, {50, 49, 0}}),
                        squareFrame(), standardDot(), kPalette);
    QCOMPARE(settled.pixel(50, 50), kRed);
}

void PointRasterTest::pointsAtTheEdgeAreClipped() {
    // Centres on each border and just beyond, far outside, and nowhere: drawn in part or
    // skipped.
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const QImage image = rasterisePoints(columns({{0, 99, 0},
                                                  {100, -1, 1},
                                                  {-2, 50, 2},
                                                  {1e9, 1e9, 0},
                                                  {-1e30, 50, 0},
                                                  {inf, 50, 0},
                                                  {50, -inf, 0},
                                                  {nan, 50, 0},
                                                  {50, nan, 0},
                                                  {103, 102, 0}}),
                                         squareFrame(), standardDot(), kPalette);
    QCOMPARE(image.pixel(0, 0), kRed);
    QCOMPARE(image.pixel(100, 100), kGreen);
    QCOMPARE(image.pixel(0, 49), kBlue);
    QCOMPARE(image.pixel(50, 50), QRgb{0});
}

void PointRasterTest::nothingDrawnWithoutPalette() {
    const QImage image = rasterisePoints(columns({{50, 50, 0}}), squareFrame(), standardDot(), {});
    QCOMPARE(image.size(), QSize(101, 101));
    QCOMPARE(image.pixel(50, 49), QRgb{0});
}

void PointRasterTest::imageIsReusedAndCleared() {
    QImage image;
    rasterisePoints(columns({{50, 49, 0}}), squareFrame(), standardDot(), kPalette, image);
    const uchar* bits = image.constBits();
    rasterisePoints(columns({{20, 49, 1}}), squareFrame(), standardDot(), kPalette, image);
    QCOMPARE(image.constBits(), bits);
    QCOMPARE(image.pixel(50, 50), QRgb{0});
    QCOMPARE(image.pixel(20, 50), kGreen);
}

}  // namespace quill::ui

QTEST_MAIN(quill::ui::PointRasterTest)
#include "point_raster_test.moc"
