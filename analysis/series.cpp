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

namespace {

/// Each line's category where it has points, Other where it has none: found once, as finding
/// it searches the file name, and used to size the series before they are filled.
std::vector<Category> seriesCategories(const std::vector<StatLine>& lines,
                                       std::array<std::size_t, 3>& counts) {
    std::vector<Category> categories;
    categories.reserve(lines.size());
    for (const StatLine& line : lines) {
        const bool charted = line.entry.processList.size() >= 3;
        const Category category = charted ? categoryOf(line.entry.file) : Category::Other;
        ++counts[static_cast<std::size_t>(category)];
        categories.push_back(category);
    }
    return categories;
}

}  // namespace

void Quillstat::buildSeries() {
    setPointsPersist({});
    setPointsSpecial({});
    setRatesPoints({});
    std::array<std::size_t, 3> counts{};
    const std::vector<Category> categories = seriesCategories(statList_, counts);
    // Sized first: growing by doubling would copy the series and leave a third of their memory
    // unused.
    const std::size_t persist = counts[static_cast<std::size_t>(Category::Persist)];
    reserveLarge(pointsPersist_, 3 * persist);
    reserveLarge(pointsSpecial_, 3 * counts[static_cast<std::size_t>(Category::Special)]);
    reserveLarge(ratesPoints_, persist);
    for (std::size_t i = 0; i < statList_.size(); ++i) {
        const Category category = categories[i];
        if (category == Category::Other) continue;
        const StatLine& line = statList_[i];
        const std::int64_t time = secondsSince(startTime_, line.entry.unixTime);
        appendPoints(line, time, category == Category::Persist);
        if (category == Category::Persist)
            appendRatesPoints(RateStats{ids_.next(), time, line.rateInt, line.chartDate});
    }
}

}  // namespace quill
