#include "ui/plot/span_stats_text.h"

#include <QLocale>
#include <QStringList>

#include "analysis/process_totals.h"

namespace quill::ui {

namespace {

const QString kDash = QStringLiteral("\u2014");

QString number(Int128 value) {
    return QLocale().toString(static_cast<qlonglong>(clampedToInt64(value)));
}

/// "<a> <unit a>" and, where it is not 0, " <b> <unit b>".
QString twoUnits(Int128 a, const char* unitA, Int128 b, const char* unitB) {
    QString text = number(a) + QLatin1Char(' ') + QLatin1String(unitA);
    if (b != 0) text += QLatin1Char(' ') + number(b) + QLatin1Char(' ') + QLatin1String(unitB);
    return text;
}

}  // namespace

QString durationText(Int128 seconds) {
    if (seconds < 0) return QStringLiteral("\u2212") + durationText(-seconds);
    constexpr std::int64_t kMinute = 60;
    constexpr std::int64_t kHour = 60 * kMinute;
    constexpr std::int64_t kDay = 24 * kHour;
    if (seconds < kMinute) return number(seconds) + QStringLiteral(" s");
    if (seconds < kHour) return twoUnits(seconds / kMinute, "min", seconds % kMinute, "s");
    if (seconds < kDay) return twoUnits(seconds / kHour, "h", seconds % kHour / kMinute, "min");
    return twoUnits(seconds / kDay, "d", seconds % kDay / kHour, "h");
}

QString spanStatsText(const SpanStats& stats) {
    const QString records =
        stats.records == 1 ? QStringLiteral("record") : QStringLiteral("records");
    QStringList parts{
        QLocale().toString(static_cast<qulonglong>(stats.records)) + QLatin1Char(' ') + records,
        number(stats.kilobytes()) + QStringLiteral(" KB")};
    parts << (stats.rates == 0 ? QStringLiteral("rate ") + kDash
                               : QStringLiteral("rate mean %1 KB/s, peak %2 KB/s")
                                     .arg(number(stats.meanRate()), number(stats.peakRate)));
    parts << (stats.intervals == 0
                  ? QStringLiteral("interval ") + kDash
                  : QStringLiteral("interval shortest %1, mean %2, longest %3")
                        .arg(durationText(stats.leastInterval), durationText(stats.meanInterval()),
                             durationText(stats.greatestInterval)));
    return parts.join(QStringLiteral(" \u00b7 "));
}

}  // namespace quill::ui
