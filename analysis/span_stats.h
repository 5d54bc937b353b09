#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/stat_table.h"
#include "analysis/time_span.h"
#include "records/wide_int.h"

namespace quill {

/// What the records of a window of time add up to. Sums are exact whatever they reach; the
/// means divide them as integers, truncating toward zero, so they are exact too and the same
/// with or without the compiler's 128-bit integer.
struct SpanStats {
    std::uint64_t records = 0;  ///< every record within the window
    Int128 bytes = 0;           ///< their total bytes
    /// The rates of the Persist records within the window that the rate series plots, in KB/s:
    /// how many, their sum and the greatest (0 for none).
    std::uint64_t rates = 0;
    Int128 rateSum = 0;
    std::int64_t peakRate = 0;
    /// The intervals, in seconds, of the records within the window that have one; the least
    /// and greatest are 0 for none.
    std::uint64_t intervals = 0;
    Int128 intervalSum = 0;
    Int128 leastInterval = 0;
    Int128 greatestInterval = 0;

    /// The total in KB, truncated toward zero as each record's own size is.
    Int128 kilobytes() const { return bytes / 1024; }
    /// 0 where there is nothing to average.
    Int128 meanRate() const { return mean(rateSum, rates); }
    Int128 meanInterval() const { return mean(intervalSum, intervals); }

private:
    static Int128 mean(Int128 sum, std::uint64_t count) {
        // Counts are row counts, within 32 bits.
        return count == 0 ? Int128{0} : sum / Int128{static_cast<std::int64_t>(count)};
    }
};

/// The figures of `table`'s records whose time lies within `window`: one pass over a few
/// columns, a few milliseconds at a million lines.
SpanStats spanStats(const StatTable& table, TimeWindow window);
/// Adds the records of rows [from, to) within `window` to `stats`, the figures of other rows:
/// a followed file's new lines, added to those of the lines before them, give those of all.
void addSpanStats(SpanStats& stats, const StatTable& table, std::size_t from, std::size_t to,
                  TimeWindow window);

/// The rows of `table` whose time lies within `window`, in file order.
std::vector<std::uint32_t> rowsWithin(const StatTable& table, TimeWindow window);

}  // namespace quill
