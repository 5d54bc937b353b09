#include "ui/plot/point_raster.h"

#include <QTest>
#include <array>
#include <cmath>

namespace quill::ui {
namespace {

constexpr QRgb kRed = 0xffff0000, kGreen = 0xff00ff00, kBlue = 0xff0000ff;
constexpr std::array<QRgb, 3> kPalette{kRed, kGreen, kBlue};

/// Draws {x, y, colour} points as dots of area 25 into `image`, 101 by 101 pixels, where x value
/// v lands in pixel column v and y value v in row 99 - v.
QImage draw(std::initializer_list<std::array<double, 3>> points,
            std::span<const QRgb> palette = kPalette, QImage image = {}) {
    PointColumns c;
    for (const auto& [x, y, colour] : points) {
        c.x.push_back(static_cast<float>(x));
        c.y.push_back(static_cast<float>(y));
        c.colour.push_back(static_cast<std::uint16_t>(colour));
    }
    const RasterFrame frame{{{0, 101}, 101}, {{-2, 99}, 101, true}, {101, 101}};
    rasterisePoints(c, frame, DotStamp(dotDiameter(25)), palette, image);
    return image;
}

QList<QRgb> pixels(const QImage& image, std::initializer_list<QPoint> points) {
    QList<QRgb> result;
    for (const QPoint& at : points) result << image.pixel(at);
    return result;
}

}  // namespace

class PointRasterTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void columnsNumberValuesAndKeepDatesExact() {
        std::vector<PointStats> points(3);
        for (int i = 0; i < 3; ++i) {
            points[i].date = 1.7e9 + 7 * i;
            points[i].value = Text(i == 1 ? "B" : "A");
        }
        const PointColumns c = pointColumns(points);
        QCOMPARE(c.values, (std::vector<std::string>{"A", "B"}));
        QCOMPARE(c.colour, (std::vector<std::uint16_t>{0, 1, 0}));
        // Seconds apart in 2023, which a float of the date itself could not tell apart.
        QCOMPARE(c.xOrigin + c.x[2], 1.7e9 + 14);
    }

    void pointLandsOnItsPixelInItsColour_data() {
        QTest::addColumn<QPointF>("value");
        QTest::addColumn<int>("colour");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<QRgb>("rgb");
        QTest::newRow("centre, first colour") << QPointF(50, 49) << 0 << QPoint(50, 50) << kRed;
        QTest::newRow("low value sits low") << QPointF(20, 9) << 1 << QPoint(20, 90) << kGreen;
        QTest::newRow("high value sits high") << QPointF(80, 89) << 2 << QPoint(80, 10) << kBlue;
        QTest::newRow("palette cycles") << QPointF(30, 69) << 4 << QPoint(30, 30) << kGreen;
    }
    void pointLandsOnItsPixelInItsColour() {
        QFETCH(QPointF, value);
        QFETCH(int, colour);
        QFETCH(QPoint, pixel);
        QFETCH(QRgb, rgb);
        const QImage image = draw({{value.x(), value.y(), static_cast<double>(colour)}});
        // A disc whole two pixels out along an axis, smoothed further out, nothing beyond.
        QCOMPARE(pixels(image, {pixel, pixel + QPoint(2, 0), pixel + QPoint(0, -2)}),
                 QList<QRgb>(3, rgb));
        const int edgeAlpha = qAlpha(image.pixel(pixel + QPoint(2, 2)));
        QVERIFY(edgeAlpha > 0 && edgeAlpha < 255);
        QCOMPARE(pixels(image, {pixel + QPoint(4, 0), pixel + QPoint(0, 4)}), QList<QRgb>(2, 0));
    }

    void laterPointsCoverEarlierOnes() {
        QImage image = draw({{40, 59, 0}, {43, 59, 2}, {60, 59, 2}, {60, 59, 1}});
        QCOMPARE(pixels(image, {{39, 40}, {41, 40}, {60, 40}}), (QList<QRgb>{kRed, kBlue, kGreen}));
        // Drawn again into the same image: one pixel many times over, and nothing left of before.
        image = draw({{50, 49, 0}, {50, 49, 2}, {50, 49, 0}}, kPalette, std::move(image));
        QCOMPARE(pixels(image, {{50, 50}, {39, 40}, {60, 40}}), (QList<QRgb>{kRed, 0, 0}));
    }

    void pointsOffTheImageAreClipped() {
        // Centres on two corners and just off an edge, then far off, nowhere, or out of reach.
        // clang-format off
        const QImage image = draw({{0, 99, 0}, {100, -1, 1}, {-2, 50, 2},
                                   {1e9, 1e9, 0}, {-1e30, 50, 0}, {INFINITY, 50, 0},
                                   {50, -INFINITY, 0}, {NAN, 50, 0}, {50, NAN, 0}, {103, 102, 0}});
        // clang-format on
        QCOMPARE(pixels(image, {{0, 0}, {100, 100}, {0, 49}, {50, 50}}),
                 (QList<QRgb>{kRed, kGreen, kBlue, 0}));
        QCOMPARE(draw({{50, 49, 0}}, {}).pixel(50, 50), QRgb{0});  // no palette, nothing drawn
    }
};

}  // namespace quill::ui

QTEST_MAIN(quill::ui::PointRasterTest)
#include "point_raster_test.moc"
