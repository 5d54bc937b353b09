#include <array>
#include <limits>

#include "analysis/derivation.h"
#include "analysis/memory_advice.h"
#include "analysis/quillstat.h"

namespace quill {

namespace {

const std::array<Text, 3> kPersistLabels{Text("Persist 1"), Text("Persist 2"), Text("Persist 3")};
const std::array<Text, 3> kSpecialLabels{Text("Special 1"), Text("Special 2"), Text("Special 3")};

/// Seconds from `startTime` to `unixTime`. `startTime` is never later than a derived record,
/// but an earlier load can have brought it so far back that the difference passes 2^63 - 1:
/// such a point keeps the largest time there is rather than a wrapped, negative one.
std::int64_t secondsSince(std::int64_t startTime, std::int64_t unixTime) {
    std::int64_t time = 0;
    if (__builtin_sub_overflow(unixTime, startTime, &time))
        return unixTime > startTime ? std::numeric_limits<std::int64_t>::max()
                                    : std::numeric_limits<std::int64_t>::min();
    return time;
}

}  // namespace

void Quillstat::appendPoints(const StatLine& line, std::int64_t time, bool persist) {
    const auto& labels = persist ? kPersistLabels : kSpecialLabels;
    for (std::size_t k = 0; k < 3; ++k) {
        PointStats point{ids_.next(), time, line.entry.processList[k].sizeBytes / 1024, labels[k],
                         line.chartDate};
        if (persist)
            appendPointsPersist(std::move(point));
        else
            appendPointsSpecial(std::move(point));
    }
}

void Quillstat::reserveSeries() {
    std::size_t persist = 0;
    std::size_t special = 0;
    for (const StatLine& line : statList_) {
        if (line.entry.processList.size() < 3) continue;
        const Category category = categoryOf(line.entry.file);
        persist += category == Category::Persist;
        special += category == Category::Special;
    }
    // Counting first costs a pass over the list, but spares the series growing by copies and
    // the slack of doubling, which would otherwise be a third of their memory.
    reserveLarge(pointsPersist_, 3 * persist);
    reserveLarge(pointsSpecial_, 3 * special);
    reserveLarge(ratesPoints_, persist);
}

void Quillstat::buildSeries() {
    setPointsPersist({});
    setPointsSpecial({});
    setRatesPoints({});
    reserveSeries();
    for (const StatLine& line : statList_) {
        const StatEntry& e = line.entry;
        if (e.processList.size() < 3) continue;
        const Category category = categoryOf(e.file);
        if (category == Category::Other) continue;
        const std::int64_t time = secondsSince(startTime_, e.unixTime);
        appendPoints(line, time, category == Category::Persist);
        if (category == Category::Persist)
            appendRatesPoints(RateStats{ids_.next(), time, line.rateInt, line.chartDate});
    }
}

}  // namespace quill
