// The plot's scales: values to pixels and back, the ranges and ticks of its axes, and the text
// of a picked moment.

#include "ui/plot/plot_scale.h"

#include <QTest>
#include <cmath>

#include "tests/support.h"

namespace quill::ui {

class PlotScaleTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void scaleMapsRangeOntoExtent_data();
    void scaleMapsRangeOntoExtent();
    void scaleRoundTripsAndExtrapolates();
    void paddingKeepsEveryValueInside_data();
    void paddingKeepsEveryValueInside();
    void niceStep_data();
    void niceStep();
    void timeTicksFitTheWidth_data();
    void timeTicksFitTheWidth();
    void instantText_data();
    void instantText();
};

void PlotScaleTest::scaleMapsRangeOntoExtent_data() {
    QTest::addColumn<bool>("flipped");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("pixel");
    // 1.7e9 s, a date of 2023: the map must stay exact near such magnitudes.
    QTest::newRow("min left") << false << 1.7e9 << 0.0;
    QTest::newRow("max right") << false << 1.7e9 + 600 << 1000.0;
    QTest::newRow("middle") << false << 1.7e9 + 300 << 500.0;
    QTest::newRow("min at the bottom") << true << 1.7e9 << 1000.0;
    QTest::newRow("max at the top") << true << 1.7e9 + 600 << 0.0;
}

void PlotScaleTest::scaleMapsRangeOntoExtent() {
    QFETCH(bool, flipped);
    QFETCH(double, value);
    QFETCH(double, pixel);
    const LinearScale scale({1.7e9, 1.7e9 + 600}, 1000, flipped);
    QVERIFY(std::abs(scale.toPixel(value) - pixel) < 1e-6);
    QVERIFY(std::abs(scale.toValue(pixel) - value) < 1e-6);
}

void PlotScaleTest::scaleRoundTripsAndExtrapolates() {
    const LinearScale scale({-50, 150}, 400);
    QCOMPARE(scale.toValue(-100), -100.0);
    QCOMPARE(scale.toValue(500), 200.0);
    for (double pixel : {-3.5, 0.0, 0.25, 123.0, 399.75, 800.0})
        QVERIFY(std::abs(scale.toPixel(scale.toValue(pixel)) - pixel) < 1e-9);
}

void PlotScaleTest::paddingKeepsEveryValueInside_data() {
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("minimumPad");
    QTest::newRow("spread") << 100.0 << 5000.0 << 1.0;
    QTest::newRow("single value") << 7.0 << 7.0 << 1.0;
    QTest::newRow("single moment") << 1.7e9 << 1.7e9 << 60.0;
    QTest::newRow("reversed") << 10.0 << -10.0 << 1.0;
    QTest::newRow("beyond pad resolution") << 9e18 << 9e18 << 1.0;
    QTest::newRow("negative") << -4e6 << -1e6 << 1.0;
}

void PlotScaleTest::paddingKeepsEveryValueInside() {
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(double, minimumPad);
    const AxisRange range = paddedRange(low, high, minimumPad);
    QVERIFY(range.min < std::min(low, high));
    QVERIFY(range.max > std::max(low, high));
    if (std::abs(low) < 1e15) {
        QVERIFY(std::min(low, high) - range.min >= minimumPad);
        QVERIFY(range.max - std::max(low, high) >= minimumPad);
        // A little room, not a lot: the data keeps most of the plot.
        QVERIFY(std::abs(high - low) >= range.span() * 0.8 || std::abs(high - low) < 100);
    }
}

void PlotScaleTest::niceStep_data() {
    QTest::addColumn<double>("span");
    QTest::addColumn<int>("labels");
    QTest::addColumn<double>("step");
    QTest::newRow("exact power") << 5000.0 << 5 << 1000.0;
    QTest::newRow("up to 2") << 7000.0 << 5 << 2000.0;
    QTest::newRow("up to 5") << 2100.0 << 5 << 500.0;
    QTest::newRow("up to the next power") << 870.0 << 10 << 100.0;
    QTest::newRow("room for one: still two ticks") << 4182.0 << 1 << 2000.0;
    QTest::newRow("room for two") << 4182.0 << 2 << 2000.0;
    QTest::newRow("room for none") << 40.0 << 0 << 20.0;
    QTest::newRow("never below one") << 3.0 << 8 << 1.0;
    QTest::newRow("empty span") << 0.0 << 4 << 1.0;
}

void PlotScaleTest::niceStep() {
    QFETCH(double, span);
    QFETCH(int, labels);
    QFETCH(double, step);
    QCOMPARE(ui::niceStep(span, labels), step);
    // However the span falls, an axis over it shows two ticks at least, and no more than fit.
    if (span >= 2) QVERIFY(std::floor(span / step) >= 2);
    if (labels >= 5 && span / labels >= 1) QVERIFY(span / step <= labels);
}

void PlotScaleTest::timeTicksFitTheWidth_data() {
    QTest::addColumn<double>("span");
    QTest::addColumn<double>("pixels");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("format");
    QTest::newRow("narrow: the two ends") << 3600.0 << 100.0 << 2 << "MM-dd HH:mm";
    QTest::newRow("seconds apart") << 120.0 << 800.0 << 7 << "HH:mm:ss";
    QTest::newRow("hours apart") << 86400.0 << 800.0 << 7 << "MM-dd HH:mm";
    QTest::newRow("days apart") << 30 * 86400.0 << 800.0 << 7 << "yyyy-MM-dd";
    QTest::newRow("years apart") << 40 * 365 * 86400.0 << 800.0 << 7 << "yyyy-MM";
    QTest::newRow("wide screen: capped") << 9 * 86400.0 << 5000.0 << 9 << "yyyy-MM-dd";
}

void PlotScaleTest::timeTicksFitTheWidth() {
    QFETCH(double, span);
    QFETCH(double, pixels);
    QFETCH(int, count);
    QFETCH(QString, format);
    const TimeTicks ticks = timeTicks({1.7e9, 1.7e9 + span}, pixels);
    QCOMPARE(ticks.count, count);
    QCOMPARE(ticks.format, format);
}

void PlotScaleTest::instantText_data() {
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    // 2024-03-05 13:07:09 UTC
    QTest::newRow("an hour ahead")
        << QByteArray("Europe/Paris") << 1709644029.0 << "14:07:09+0100 2024-03-05";
    QTest::newRow("fraction floored")
        << QByteArray("Europe/Paris") << 1709644029.999 << "14:07:09+0100 2024-03-05";
    // 2024-07-01 10:00:00 UTC, in summer time.
    QTest::newRow("summer time") << QByteArray("Europe/Paris") << 1719828000.0
                                 << "12:00:00+0200 2024-07-01";
    QTest::newRow("behind UTC") << QByteArray("America/New_York") << 1709644029.0
                                << "08:07:09-0500 2024-03-05";
    QTest::newRow("before 1970 floors down")
        << QByteArray("UTC") << -0.5 << "23:59:59+0000 1969-12-31";
    QTest::newRow("far future clamps")
        << QByteArray("UTC") << 1e30 << QString::fromLatin1("15:30:07+0000 292277026596-12-04");
}

void PlotScaleTest::instantText() {
    QFETCH(QByteArray, zone);
    QFETCH(double, seconds);
    QFETCH(QString, text);
    test::ScopedTimeZone tz(zone.constData());
    QCOMPARE(ui::instantText(seconds), text);
}

}  // namespace quill::ui

QTEST_MAIN(quill::ui::PlotScaleTest)
#include "plot_scale_test.moc"
