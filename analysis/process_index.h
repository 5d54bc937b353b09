#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "analysis/process_totals.h"
#include "analysis/stat_table.h"
#include "analysis/time_span.h"
#include "records/wide_int.h"

namespace quill {

/// How much time one bar of the stacked chart covers, on the local calendar: weeks begin on
/// Monday, days and months at local midnight.
enum class BucketUnit : std::uint8_t { Minute, Hour, Day, Week, Month };

/// The unit that cuts `seconds` into the most buckets, but at most `most`: a minute, an hour,
/// a day, a week or, for anything longer, a month.
BucketUnit bucketUnitFor(std::int64_t seconds, std::size_t most);

/// A window's bytes per bucket of time, for the processes that wrote the most in it and for
/// all the others together. Buckets without records hold zeros.
struct ProcessBuckets {
    BucketUnit unit = BucketUnit::Day;
    /// Bucket k holds the records from `starts[k]` up to, not including, `starts[k + 1]`,
    /// seconds since 1970: one start more than there are buckets.
    std::vector<std::int64_t> starts;
    /// The processes shown, most bytes in the window first (ties by name); "other" follows.
    std::vector<StringTable::Id> processes;
    /// `bytes[k * series() + j]`: what process j wrote in bucket k; j == processes.size() is
    /// every other process.
    std::vector<Int128> bytes;

    std::size_t buckets() const { return starts.empty() ? 0 : starts.size() - 1; }
    std::size_t series() const { return processes.size() + 1; }
    const Int128& at(std::size_t bucket, std::size_t j) const {
        return bytes[bucket * series() + j];
    }
};

/// One table's processes, summed over any window of time quickly enough to follow each zoom
/// step of the plot. Built once per load, off the UI thread; immutable, so any thread may ask.
class ProcessIndex {
public:
    explicit ProcessIndex(std::shared_ptr<const StatTable> table);

    const StatTable& table() const { return *table_; }
    const std::shared_ptr<const StatTable>& sharedTable() const { return table_; }
    /// The least and greatest record time; meaningless for an empty table.
    std::int64_t firstTime() const;
    std::int64_t lastTime() const;

    /// What `processTotals(table(), window)` gives, in an unspecified order.
    std::vector<ProcessTotal> totals(TimeWindow window) const;
    /// `window`, cut to the records' times, in buckets of `unit`, for its `top` processes by
    /// bytes and the rest.
    ProcessBuckets buckets(TimeWindow window, std::size_t top, BucketUnit unit) const;

private:
    void orderByTime();
    /// Sums each block of `byTime_` ahead, on every core.
    void sumBlocks();
    /// Where the records of `window` begin and end in `byTime_`.
    std::pair<std::size_t, std::size_t> positions(TimeWindow window) const;
    /// Adds the records from `begin` to `end` of `byTime_`, whole blocks by their totals.
    void sum(std::size_t begin, std::size_t end, ProcessSummer& summer) const;
    void fillBuckets(TimeWindow window, ProcessBuckets& result) const;

    std::shared_ptr<const StatTable> table_;
    std::vector<std::uint32_t> byTime_;  ///< rows by time, file order among equal times
    /// The totals of each block of rows of `byTime_`, block b's from `blockStarts_[b]`.
    std::vector<ProcessTotal> blockTotals_;
    std::vector<std::size_t> blockStarts_;
};

}  // namespace quill
