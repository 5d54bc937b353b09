#include "ui/plot/plot_scale.h"

#include <QTest>
#include <cmath>

#include "tests/support.h"
#include "ui/plot/time_zoom.h"

namespace quill::ui {

static QString text(AxisRange span) {
    return QString::number(span.min, 'g', 12) + " to " + QString::number(span.max, 'g', 12);
}

/// Where `seconds` lands over ten minutes of 2023 drawn on 1000 pixels, and where that pixel
/// maps back to, in seconds from the start: exact to well under a pixel at such magnitudes.
static QString scaled(double seconds, bool flipped) {
    const LinearScale scale({1.7e9, 1.7e9 + 600}, 1000, flipped);
    const double pixel = scale.toPixel(seconds);
    return QString::asprintf("%.4f at %.4f", scale.toValue(pixel) - 1.7e9, pixel);
}

static QString ticks(double span, double pixels) {
    const TimeTicks result = timeTicks({1.7e9, 1.7e9 + span}, pixels);
    return QString::number(result.count) + ' ' + result.format;
}

/// Zooms into {400, 600} about 450 by halves, more often than the narrowest span allows, then
/// once more about the end of what is left.
static QString zoomedToTheEnd() {
    AxisRange span{400, 600};
    for (int i = 0; i < 50; ++i) span = zoomedSpan(span, 450, 0.5, {0, 1000}, 30);
    return text(zoomedSpan(span, span.max, 0.5, {0, 1000}, 30));
}

static QString at(const char* zone, double seconds) {
    test::ScopedTimeZone tz(zone);
    return instantText(seconds);
}

class PlotScaleTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Each row makes its text here, so that a failing row shows the call's text beside the one
    // expected.
    void texts_data() {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        QTest::newRow("part of a pixel") << scaled(1.7e9 + 300.15, false) << "300.1500 at 500.2500";
        QTest::newRow("extrapolated") << scaled(1.7e9 - 60, false) << "-60.0000 at -100.0000";
        QTest::newRow("flipped: min at the bottom") << scaled(1.7e9, true) << "0.0000 at 1000.0000";
        QTest::newRow("flipped: max on top") << scaled(1.7e9 + 600, true) << "600.0000 at 0.0000";
        QTest::newRow("pad: spread") << text(paddedRange(100, 5000, 1)) << "-96 to 5196";
        QTest::newRow("pad: one value") << text(paddedRange(7, 7, 1)) << "6 to 8";
        QTest::newRow("pad: reversed")
            << text(paddedRange(10, -4e6, 1)) << "-4160000.4 to 160010.4";
        QTest::newRow("pad: huge") << text(paddedRange(9e18, 9e18, 1)) << "8.64e+18 to 9.36e+18";
        QTest::newRow("step: up to 2") << QString::number(niceStep(7000, 5)) << "2000";
        QTest::newRow("step: up to 5") << QString::number(niceStep(2100, 5)) << "500";
        QTest::newRow("step: one, still two ticks") << QString::number(niceStep(4182, 1)) << "2000";
        QTest::newRow("step: never below one") << QString::number(niceStep(3, 8)) << "1";
        // Zooming and panning within the full range {0, 1000}, no narrower than 30.
        const AxisRange full{0, 1000};
        QTest::newRow("zoom: the anchor stays")
            << text(zoomedSpan({100, 300}, 150, 0.5, full, 30)) << "125 to 225";
        QTest::newRow("zoom out: no wider than the whole")
            << text(zoomedSpan({0, 800}, 700, 4, full, 30)) << "0 to 1000";
        QTest::newRow("zoom out: stops at the end")
            << text(zoomedSpan({900, 1000}, 990, 3, full, 30)) << "700 to 1000";
        // At the narrowest, further zooming moves nothing, not even towards the anchor.
        QTest::newRow("zoom: the narrowest") << zoomedToTheEnd() << "442.5 to 472.5";
        QTest::newRow("pan") << text(pannedSpan({100, 200}, 50, full)) << "150 to 250";
        QTest::newRow("pan: stops at the start")
            << text(pannedSpan({100, 200}, -500, full)) << "0 to 100";
        QTest::newRow("pan: stops at the end")
            << text(pannedSpan({100, 200}, 5000, full)) << "900 to 1000";
        QTest::newRow("pan: by nothing") << text(pannedSpan({100, 200}, NAN, full)) << "100 to 200";
        QTest::newRow("clamp: moved in") << text(clampedSpan({-50, 50}, full, 30)) << "0 to 100";
        QTest::newRow("clamp: cut") << text(clampedSpan({-50, 5000}, full, 30)) << "0 to 1000";
        QTest::newRow("clamp: widened") << text(clampedSpan({500, 510}, full, 30)) << "490 to 520";
        // Nonsense gives the full range, never an empty or inverted one.
        QTest::newRow("clamp: inverted") << text(clampedSpan({600, 500}, full, 30)) << "0 to 1000";
        QTest::newRow("clamp: NaN") << text(clampedSpan({NAN, 500}, full, 30)) << "0 to 1000";
        // Times so far out that doubles lie seconds apart: a narrower span would scatter dots.
        QTest::newRow("narrowest: years from 1970")
            << QString::number(minimumSpan({1.7e9, 1.8e9})) << "30";
        QTest::newRow("narrowest: far out")
            << QString::number(minimumSpan({9e18, 9.1e18}), 'f', 0) << "1024000";
        QTest::newRow("ticks: narrow, the two ends") << ticks(3600, 100) << "2 MM-dd HH:mm";
        QTest::newRow("ticks: seconds apart") << ticks(120, 800) << "7 HH:mm:ss";
        QTest::newRow("ticks: years apart") << ticks(40 * 365 * 86400.0, 800) << "7 yyyy-MM";
        QTest::newRow("ticks: wide, capped") << ticks(9 * 86400.0, 5000) << "9 yyyy-MM-dd";
        // The moment a header shows, in the local time zone.
        QTest::newRow("floored") << at("Europe/Paris", 1709644029.9) << "14:07:09+0100 2024-03-05";
        QTest::newRow("summer") << at("Europe/Paris", 1719828000) << "12:00:00+0200 2024-07-01";
        QTest::newRow("behind") << at("America/New_York", 1709644029) << "08:07:09-0500 2024-03-05";
        QTest::newRow("before 1970") << at("UTC", -0.5) << "23:59:59+0000 1969-12-31";
        QTest::newRow("clamped") << at("UTC", 1e30) << "15:30:07+0000 292277026596-12-04";
    }
    void texts() {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }
};

}  // namespace quill::ui

QTEST_MAIN(quill::ui::PlotScaleTest)
#include "plot_scale_test.moc"
