#include "ui/plot/plot_scale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "analysis/date_format.h"

namespace quill::ui {

namespace {

/// Share of the span added on each side of the data.
constexpr double kPadFraction = 0.04;
constexpr std::int64_t kDay = 86400;
/// Between two time labels, in pixels.
constexpr double kTimeLabelGap = 28;
/// The narrowest time label with its gap, "2024" and the gap, in pixels.
constexpr double kNarrowestLabel = 50;
/// Seconds within which every instant's local date and time is counted without overflow.
constexpr double kSecondsLimit = 1e15;

constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

constexpr std::int64_t floorMod(std::int64_t a, std::int64_t b) {
    return a - floorDiv(a, b) * b;
}

std::int64_t wholeSecond(double seconds) {
    return std::isnan(seconds)
               ? 0
               : static_cast<std::int64_t>(std::clamp(seconds, -kSecondsLimit, kSecondsLimit));
}

/// The local zone's wall clock.
class WallClock {
public:
    std::int64_t wall(std::int64_t instant) { return instant + formatter_.utcOffset(instant); }
    /// The instant at which the clock shows `wall`; about then where it skips or repeats it.
    std::int64_t instant(std::int64_t wall) {
        return wall - formatter_.utcOffset(wall - formatter_.utcOffset(wall));
    }

private:
    DateFormatter formatter_{DateFormatter::Pattern::DateFirst};
};

/// What round moments are counted in: wall seconds, days, months since year 0, or years.
enum class Unit { Second, Day, Month, Year };

/// The wall clock's seconds at the start of the `index`th `unit`.
std::int64_t wallOf(Unit unit, std::int64_t index) {
    switch (unit) {
        case Unit::Second:
            return index;
        case Unit::Day:
            return index * kDay;
        case Unit::Month:
            return wallSeconds(floorDiv(index, 12), static_cast<unsigned>(floorMod(index, 12)) + 1,
                               1);
        case Unit::Year:
            break;
    }
    return wallSeconds(index, 1, 1);
}

/// The `unit` that wall clock seconds `wall` lie in.
std::int64_t indexOf(Unit unit, std::int64_t wall) {
    const CivilTime civil = civilTime(wall);
    switch (unit) {
        case Unit::Second:
            return wall;
        case Unit::Day:
            return floorDiv(wall, kDay);
        case Unit::Month:
            return civil.year * 12 + civil.month - 1;
        case Unit::Year:
            break;
    }
    return civil.year;
}

/// An interval between round moments: every `count`th `unit`.
struct Step {
    Unit unit;
    std::int64_t count;

    /// About how long the interval lasts.
    constexpr double seconds() const {
        constexpr std::array<double, 4> kLength{1, kDay, 2629746, 31556952};
        return kLength[static_cast<std::size_t>(unit)] * static_cast<double>(count);
    }
    /// The index of the first round `unit` at or after wall seconds `wall`. Weeks start on
    /// Mondays, as day 4 did; other steps on multiples of the count since year 0 or 1970.
    std::int64_t firstIndex(std::int64_t wall) const {
        std::int64_t index = indexOf(unit, wall);
        if (wallOf(unit, index) < wall) ++index;
        const std::int64_t anchor = unit == Unit::Day && count == 7 ? 4 : 0;
        return index + floorMod(anchor - index, count);
    }
};

constexpr auto kSteps = [] {
    std::array<Step, 44> steps{};
    std::size_t i = 0;
    for (const std::int64_t s : {1, 2, 5, 10, 15, 30}) steps[i++] = {Unit::Second, s};
    for (const std::int64_t m : {1, 2, 5, 10, 15, 30}) steps[i++] = {Unit::Second, m * 60};
    for (const std::int64_t h : {1, 2, 3, 6, 12}) steps[i++] = {Unit::Second, h * 3600};
    for (const std::int64_t d : {1, 2, 7}) steps[i++] = {Unit::Day, d};
    for (const std::int64_t m : {1, 3, 6}) steps[i++] = {Unit::Month, m};
    // Up to five million years, past the reach of the plot's time axis.
    for (std::int64_t power = 1; i < steps.size(); power *= 10)
        for (const std::int64_t y : {1, 2, 5}) steps[i++] = {Unit::Year, y * power};
    return steps;
}();

/// What the two ends of the span shown have in common.
struct Shared {
    CivilTime start;
    bool day = false;
    bool year = false;
};

Shared sharedBy(const CivilTime& start, const CivilTime& end) {
    const bool year = start.year == end.year;
    return {start, year && start.month == end.month && start.day == end.day, year};
}

QString yearText(std::int64_t year) {
    // Of the era, as the date formatter writes it, but told apart: 1 BC is 0001 BC.
    const QString digits = QString::number(year > 0 ? year : 1 - year).rightJustified(4, u'0');
    return year > 0 ? digits : digits + QStringLiteral(" BC");
}

QString dateText(const CivilTime& civil, bool withYear) {
    const QString monthDay = QString::asprintf("%02u-%02u", civil.month, civil.day);
    return withYear ? yearText(civil.year) + u'-' + monthDay : monthDay;
}

QString labelOf(const CivilTime& civil, const Step& step, const Shared& shared) {
    switch (step.unit) {
        case Unit::Second: {
            const auto s = static_cast<int>(civil.secondOfDay);
            QString clock = QString::asprintf("%02d:%02d", s / 3600, s / 60 % 60);
            if (step.count < 60) clock += QString::asprintf(":%02d", s % 60);
            return shared.day ? clock : dateText(civil, !shared.year) + u' ' + clock;
        }
        case Unit::Day:
            return dateText(civil, !shared.year);
        case Unit::Month:
            return yearText(civil.year) + QString::asprintf("-%02u", civil.month);
        case Unit::Year:
            break;
    }
    return yearText(civil.year);
}

/// The title of an axis whose labels leave out what `shared` holds.
QString titleOf(const Step& step, const Shared& shared) {
    if (step.unit == Unit::Second && shared.day)
        return QStringLiteral("Time on ") + dateText(shared.start, true);
    if (step.unit <= Unit::Day && shared.year)
        return (step.unit == Unit::Day ? QStringLiteral("Date in ") : QStringLiteral("Time in ")) +
               yearText(shared.start.year);
    return step.unit == Unit::Second ? QStringLiteral("Time") : QStringLiteral("Date");
}

/// Where on the axis labels go, and how wide they are.
struct Scale {
    AxisRange seconds;
    double pixels;
    double overhang;
    const LabelWidth& width;
};

/// Puts into `ticks` the round moments of `step` within `span` whose labels lie within the
/// axis, and the title; false where two labels would come closer than their gap, or more than
/// `most` of them would.
bool labelRound(TimeTicks& ticks, const Step& step, const Shared& shared, WallClock& clock,
                std::pair<std::int64_t, std::int64_t> span, const Scale& scale, double most) {
    double previousEnd = -std::numeric_limits<double>::infinity();
    std::int64_t previous = std::numeric_limits<std::int64_t>::min();
    for (std::int64_t index = step.firstIndex(clock.wall(span.first));; index += step.count) {
        const std::int64_t wall = wallOf(step.unit, index);
        const std::int64_t moment = clock.instant(wall);
        if (moment > span.second || static_cast<double>(ticks.moments.size()) > most) break;
        // The hour that the clock skips when it goes forward has no moment to mark.
        if (moment < span.first || moment <= previous || clock.wall(moment) != wall) continue;
        previous = moment;
        const QString label = labelOf(civilTime(wall), step, shared);
        const double x =
            (static_cast<double>(moment) - scale.seconds.min) / scale.seconds.span() * scale.pixels;
        const double half = scale.width(label) / 2;
        if (x - half < 0 || x + half > scale.pixels + scale.overhang) continue;
        if (x - half < previousEnd + kTimeLabelGap) return false;
        previousEnd = x + half;
        ticks.moments.push_back(static_cast<double>(moment));
        ticks.labels.push_back(label);
    }
    ticks.title = titleOf(step, shared);
    return static_cast<double>(ticks.moments.size()) <= most;
}

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

TimeTicks timeTicks(AxisRange seconds, double pixels, double overhang, const LabelWidth& width) {
    WallClock clock;
    const std::int64_t first = wholeSecond(std::ceil(seconds.min));
    const std::int64_t last = wholeSecond(std::floor(seconds.max));
    const Shared shared = sharedBy(civilTime(clock.wall(first)), civilTime(clock.wall(last)));
    // The most ticks whose labels could stand apart: the narrowest label and its gap each.
    const double most = pixels / kNarrowestLabel + 2;
    // The most labels, the finest step among equals: near the ends, where labels that would
    // reach past the axis are left out, a coarser step may keep more of them.
    TimeTicks best{{}, {}, titleOf(kSteps.front(), shared)};
    for (const Step& step : kSteps) {
        if (seconds.span() / step.seconds() > most) continue;
        const Scale scale{seconds, pixels, overhang, width};
        TimeTicks ticks;
        if (labelRound(ticks, step, shared, clock, {first, last}, scale, most) &&
            ticks.moments.size() > best.moments.size())
            best = std::move(ticks);
    }
    return best;
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
