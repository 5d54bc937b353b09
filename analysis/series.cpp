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

void PointSeries::read(std::span<const std::uint32_t> lines, double* dates,
                       std::int64_t* sizes) const noexcept {
    // One look-up of the table and its rows for the lot, and of each line for its three points:
    // the plot reads millions of points per frame, and a call per point takes half as long
    // again.
    const StatTable& table = *table_;
    const std::span<const std::uint32_t> charted = rows();
    for (const std::uint32_t line : lines) {
        const std::uint32_t row = charted[line];
        *dates++ = static_cast<double>(table.unixTime(row));
        const std::size_t first = table.processBegin(row);
        for (std::size_t position = 0; position < 3; ++position)
            *sizes++ = table.processSize(first + position) / 1024;
    }
}

void RateSeries::read(std::span<const std::uint32_t> indices, double* dates,
                      std::int64_t* rates) const noexcept {
    const StatTable& table = *table_;
    const std::span<const std::uint32_t> charted = rows();
    for (const std::uint32_t k : indices) {
        const std::uint32_t row = charted[k];
        *dates++ = static_cast<double>(table.unixTime(row));
        *rates++ = table.rateInt(row);
    }
}

RateStats RateSeries::point(std::size_t k) const {
    const std::int64_t time = table_->unixTime(rows()[k]);
    return RateStats{table_->pointId(3, k), secondsSince(startTime_, time), rate(k),
                     static_cast<double>(time)};
}

}  // namespace quill
