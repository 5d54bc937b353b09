#include "analysis/process_index.h"

#include <algorithm>
#include <array>
#include <thread>

#include "analysis/date_format.h"

namespace quill {

namespace {

/// Rows summed ahead per block: a window's totals add the blocks within it and read at most
/// two blocks' rows at its ends.
constexpr std::size_t kBlockRows = 1024;
/// Buckets beyond this are a caller's mistake, met with a coarser unit rather than memory.
constexpr std::size_t kMostBuckets = 100'000;

constexpr std::int64_t kMinute = 60;
constexpr std::int64_t kHour = 3600;
constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kWeek = 7 * kDay;
/// A mean Gregorian month, for choosing a unit only.
constexpr std::int64_t kMonth = 2629746;

/// Ten billion years either side of 1970.
constexpr std::int64_t kFarthest = std::int64_t{315'569'520} * 1'000'000'000;

std::int64_t floorMod(std::int64_t value, std::int64_t divisor) {
    const std::int64_t rest = value % divisor;
    return rest < 0 ? rest + divisor : rest;
}

std::int64_t nominalSeconds(BucketUnit unit) {
    constexpr std::array<std::int64_t, 5> kSeconds{kMinute, kHour, kDay, kWeek, kMonth};
    return kSeconds[static_cast<std::size_t>(unit)];
}

bool tooMany(TimeWindow window, BucketUnit unit) {
    return (window.to - window.from) / nominalSeconds(unit) >
           static_cast<std::int64_t>(kMostBuckets);
}

/// Cuts time at the local calendar's bucket boundaries.
class Calendar {
public:
    explicit Calendar(BucketUnit unit) : unit_(unit) {}

    /// The start of the bucket holding `unixSeconds`.
    std::int64_t floor(std::int64_t unixSeconds) {
        const std::int64_t offset = clock_.utcOffset(unixSeconds);
        return floorWall(unixSeconds + offset) - offset;
    }
    /// The start of the bucket after the one starting at `start`.
    std::int64_t next(std::int64_t start) {
        const std::int64_t wall = start + clock_.utcOffset(start);
        // Past the next boundary but not the one after: the calendar's units vary in length.
        const std::int64_t step = unit_ == BucketUnit::Month ? 32 * kDay
                                  : unit_ >= BucketUnit::Day ? nominalSeconds(unit_) + kDay / 2
                                                             : nominalSeconds(unit_);
        const std::int64_t nextWall = floorWall(wall + step);
        const std::int64_t next = nextWall - clock_.utcOffset(start + (nextWall - wall));
        // A zone's jump must never stall the walk.
        return std::max(next, start + 1);
    }

private:
    std::int64_t floorWall(std::int64_t wall) const {
        switch (unit_) {
            case BucketUnit::Minute:
                return wall - floorMod(wall, kMinute);
            case BucketUnit::Hour:
                return wall - floorMod(wall, kHour);
            case BucketUnit::Day:
                return wall - floorMod(wall, kDay);
            case BucketUnit::Week:
                // 1970-01-01 was a Thursday: Monday lies three days before.
                return wall - floorMod(wall + 3 * kDay, kWeek);
            case BucketUnit::Month: {
                const CivilTime civil = civilTime(wall);
                return wallSeconds(civil.year, civil.month, 1);
            }
        }
        return wall;
    }

    BucketUnit unit_;
    DateFormatter clock_{DateFormatter::Pattern::DateFirst};
};

}  // namespace

BucketUnit bucketUnitFor(std::int64_t seconds, std::size_t most) {
    for (const BucketUnit unit :
         {BucketUnit::Minute, BucketUnit::Hour, BucketUnit::Day, BucketUnit::Week}) {
        if (seconds / nominalSeconds(unit) < static_cast<std::int64_t>(most)) return unit;
    }
    return BucketUnit::Month;
}

ProcessIndex::ProcessIndex(std::shared_ptr<const StatTable> table)
    : table_(table ? std::move(table) : std::make_shared<const StatTable>()) {
    orderByTime();
    sumBlocks();
}

void ProcessIndex::orderByTime() {
    byTime_.resize(table_->size());
    for (std::size_t row = 0; row < byTime_.size(); ++row)
        byTime_[row] = static_cast<std::uint32_t>(row);
    const auto earlier = [this](std::uint32_t a, std::uint32_t b) {
        return table_->unixTime(a) < table_->unixTime(b);
    };
    // Records are written as time goes by: most files need no sorting at all.
    if (!std::is_sorted(byTime_.begin(), byTime_.end(), earlier))
        std::stable_sort(byTime_.begin(), byTime_.end(), earlier);
}

void ProcessIndex::sumBlocks() {
    const std::size_t blocks = (byTime_.size() + kBlockRows - 1) / kBlockRows;
    std::vector<std::vector<ProcessTotal>> totals(blocks);
    // Blocks are independent: each thread sums every n-th one with a summer of its own.
    const std::size_t threads =
        std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, blocks / 16 + 1);
    const auto sumEvery = [&](std::size_t first) {
        ProcessSummer summer(*table_);
        for (std::size_t block = first; block < blocks; block += threads) {
            const std::size_t end = std::min(byTime_.size(), (block + 1) * kBlockRows);
            for (std::size_t i = block * kBlockRows; i < end; ++i) summer.addRecord(byTime_[i]);
            totals[block] = summer.take();
        }
    };
    inParallel(threads, sumEvery);
    blockStarts_.assign(1, 0);
    for (const std::vector<ProcessTotal>& block : totals) {
        blockTotals_.insert(blockTotals_.end(), block.begin(), block.end());
        blockStarts_.push_back(blockTotals_.size());
    }
}

std::int64_t ProcessIndex::firstTime() const {
    return byTime_.empty() ? 0 : table_->unixTime(byTime_.front());
}

std::int64_t ProcessIndex::lastTime() const {
    return byTime_.empty() ? 0 : table_->unixTime(byTime_.back());
}

std::pair<std::size_t, std::size_t> ProcessIndex::positions(TimeWindow window) const {
    const auto before = [this](std::uint32_t row, std::int64_t time) {
        return table_->unixTime(row) < time;
    };
    const auto after = [this](std::int64_t time, std::uint32_t row) {
        return time < table_->unixTime(row);
    };
    const auto begin = std::lower_bound(byTime_.begin(), byTime_.end(), window.from, before);
    const auto end = std::upper_bound(begin, byTime_.end(), window.to, after);
    return {static_cast<std::size_t>(begin - byTime_.begin()),
            static_cast<std::size_t>(end - byTime_.begin())};
}

void ProcessIndex::sum(std::size_t begin, std::size_t end, ProcessSummer& summer) const {
    std::size_t at = begin;
    for (; at < end && at % kBlockRows != 0; ++at) summer.addRecord(byTime_[at]);
    for (; at + kBlockRows <= end; at += kBlockRows) {
        const std::size_t block = at / kBlockRows;
        for (std::size_t k = blockStarts_[block]; k < blockStarts_[block + 1]; ++k)
            summer.addTotal(blockTotals_[k]);
    }
    for (; at < end; ++at) summer.addRecord(byTime_[at]);
}

std::vector<ProcessTotal> ProcessIndex::totals(TimeWindow window) const {
    if (window.from > window.to) return {};
    const auto [begin, end] = positions(window);
    ProcessSummer summer(*table_);
    sum(begin, end, summer);
    return summer.take();
}

ProcessBuckets ProcessIndex::buckets(TimeWindow window, std::size_t top, BucketUnit unit) const {
    ProcessBuckets result;
    result.unit = unit;
    // Times so far out that their calendar is meaningless get no buckets: clamping keeps the
    // walk below from overflowing.
    window.from = std::max({window.from, firstTime(), -kFarthest});
    window.to = std::min({window.to, lastTime(), kFarthest});
    if (byTime_.empty() || window.from > window.to) return result;

    std::vector<ProcessTotal> ranked = totals(window);
    rankByBytes(ranked, *table_);
    for (std::size_t j = 0; j < std::min(top, ranked.size()); ++j)
        result.processes.push_back(ranked[j].name);
    while (tooMany(window, unit) && unit != BucketUnit::Month)
        unit = static_cast<BucketUnit>(static_cast<int>(unit) + 1);
    result.unit = unit;
    if (tooMany(window, unit)) return result;

    Calendar calendar(unit);
    result.starts.push_back(calendar.floor(window.from));
    while (result.starts.back() <= window.to)
        result.starts.push_back(calendar.next(result.starts.back()));
    result.bytes.assign(result.buckets() * result.series(), Int128{0});
    fillBuckets(window, result);
    return result;
}

void ProcessIndex::fillBuckets(TimeWindow window, ProcessBuckets& result) const {
    ProcessSummer summer(*table_);
    const auto columnOf = [&](StringTable::Id name) {
        const auto found = std::find(result.processes.begin(), result.processes.end(), name);
        return static_cast<std::size_t>(found - result.processes.begin());
    };
    for (std::size_t k = 0; k < result.buckets(); ++k) {
        const TimeWindow bucket{std::max(window.from, result.starts[k]),
                                std::min(window.to, result.starts[k + 1] - 1)};
        if (bucket.from > bucket.to) continue;
        const auto [begin, end] = positions(bucket);
        sum(begin, end, summer);
        for (const ProcessTotal& total : summer.take())
            result.bytes[k * result.series() + columnOf(total.name)] += total.bytes;
    }
}

}  // namespace quill
