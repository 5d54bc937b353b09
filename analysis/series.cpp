#include "analysis/series.h"

#include <limits>

#include "records/wide_int.h"

namespace quill {

std::int64_t secondsSince(std::int64_t startTime, std::int64_t unixTime) noexcept {
    // An earlier load can have brought `startTime` so far back that the difference passes
    // 2^63 - 1: such a point keeps the largest time there is rather than a wrapped one.
    std::int64_t time = 0;
    if (subtractOverflows(unixTime, startTime, &time))
        return unixTime > startTime ? std::numeric_limits<std::int64_t>::max()
                                    : std::numeric_limits<std::int64_t>::min();
    return time;
}

const char* PointSeries::label(std::size_t position) const noexcept {
    static constexpr const char* kPersist[] = {"Persist 1", "Persist 2", "Persist 3"};
    static constexpr const char* kSpecial[] = {"Special 1", "Special 2", "Special 3"};
    return (category_ == Category::Persist ? kPersist : kSpecial)[position];
}

PointStats PointSeries::point(std::size_t k) const {
    const std::int64_t time = table_->unixTime(row(k));
    return PointStats{table_->pointId(category_ == Category::Persist ? 1 : 2, k),
                      secondsSince(startTime_, time), sizeKB(k), Text(label(position(k))),
                      static_cast<double>(time)};
}

RateStats RateSeries::point(std::size_t k) const {
    const std::int64_t time = table_->unixTime(rows()[k]);
    return RateStats{table_->pointId(3, k), secondsSince(startTime_, time), rate(k),
                     static_cast<double>(time)};
}

}  // namespace quill
