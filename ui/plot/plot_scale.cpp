#include "ui/plot/plot_scale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "analysis/date_format.h"

namespace quill::ui {

namespace {

/// Share of the span added on each side of the data.
constexpr double kPadFraction = 0.04;
/// Room a time label needs, text and gap, in pixels.
constexpr double kTimeLabelPitch = 130;
constexpr int kMaxTimeTicks = 9;

constexpr double kMinute = 60;
constexpr double kDay = 86400;
constexpr double kYear = 365 * kDay;

}  // namespace

LinearScale::LinearScale(AxisRange range, double extent, bool flipped)
    : range_(range), extent_(extent), flipped_(flipped) {
    const double perValue = extent / range.span();
    factor_ = flipped ? -perValue : perValue;
    offset_ = flipped ? range.max * perValue : -range.min * perValue;
}

AxisRange defaultTimeRange() {
    return {0, kDay};
}

AxisRange defaultValueRange() {
    return {0, 100};
}

AxisRange paddedRange(double low, double high, double minimumPad) {
    if (low > high) std::swap(low, high);
    const double pad = std::max((high - low) * kPadFraction, minimumPad);
    AxisRange range{low - pad, high + pad};
    // Around huge magnitudes a small pad can vanish in rounding; widen until it shows.
    if (!(range.min < low)) range.min = low - std::abs(low) * kPadFraction - 1;
    if (!(range.max > high)) range.max = high + std::abs(high) * kPadFraction + 1;
    return range;
}

AxisRange valueRange(double low, double high, double minimumPad) {
    AxisRange range = paddedRange(low, high, minimumPad);
    if (std::min(low, high) >= 0)
        range.min = std::max(range.min, 0.0);
    else if (std::max(low, high) <= 0)
        range.max = std::min(range.max, 0.0);
    return range;
}

double niceStep(double span, int labels) {
    // A tick interval of at least `raw`, rounded up or down to the next 1, 2 or 5 step.
    const auto nice = [](double raw, bool up) {
        const double power = std::pow(10.0, std::floor(std::log10(raw)));
        const double multiple = raw / power;
        if (up) return (multiple <= 1 ? 1 : multiple <= 2 ? 2 : multiple <= 5 ? 5 : 10) * power;
        return (multiple >= 5 ? 5 : multiple >= 2 ? 2 : 1) * power;
    };
    const double fitting = span / std::max(labels, 1);
    const double twoTicks = span / 2;
    if (!(fitting > 1) || !(twoTicks > 1)) return 1;
    return std::min(nice(fitting, true), nice(twoTicks, false));
}

TimeTicks timeTicks(AxisRange seconds, double pixels) {
    TimeTicks ticks;
    const double fitting = std::floor(pixels / kTimeLabelPitch) + 1;
    ticks.count = static_cast<int>(std::clamp(fitting, 2.0, double{kMaxTimeTicks}));
    const double interval = seconds.span() / (ticks.count - 1);
    if (interval < kMinute)
        ticks.format = QStringLiteral("HH:mm:ss");
    else if (interval < kDay)
        ticks.format = QStringLiteral("MM-dd HH:mm");
    else if (interval < kYear)
        ticks.format = QStringLiteral("yyyy-MM-dd");
    else
        ticks.format = QStringLiteral("yyyy-MM");
    return ticks;
}

QString instantText(double seconds) {
    // 2^63 as a double; every double below it converts to int64 without overflow.
    constexpr double kLimit = 9223372036854775808.0;
    std::int64_t whole = 0;
    const double floored = std::floor(seconds);
    if (floored >= kLimit)
        whole = std::numeric_limits<std::int64_t>::max();
    else if (floored < -kLimit)
        whole = std::numeric_limits<std::int64_t>::min();
    else if (!std::isnan(floored))
        whole = static_cast<std::int64_t>(floored);
    DateFormatter formatter(DateFormatter::Pattern::TimeFirst);
    std::array<char, DateFormatter::kMaxLength> text{};
    const std::size_t length = formatter.format(whole, text.data());
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(length));
}

}  // namespace quill::ui
