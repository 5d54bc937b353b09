#include "analysis/span_stats.h"

#include <algorithm>
#include <span>

namespace quill {

namespace {

/// Line `i`'s interval, exact also where it lies beyond 64 bits and the table keeps 0.
Int128 exactInterval(const StatTable& table, std::size_t i) {
    if (const std::int64_t kept = table.interval(i); kept != 0) return kept;
    return Int128{table.unixTime(i)} - Int128{table.unixTime(table.previous(i))};
}

void addInterval(SpanStats& stats, Int128 interval) {
    if (stats.intervals == 0) stats.leastInterval = stats.greatestInterval = interval;
    stats.leastInterval = std::min(stats.leastInterval, interval);
    stats.greatestInterval = std::max(stats.greatestInterval, interval);
    stats.intervalSum += interval;
    ++stats.intervals;
}

void addRates(SpanStats& stats, const StatTable& table, std::size_t from, std::size_t to,
              TimeWindow window) {
    const std::span<const std::uint32_t> charted = table.chartedRows(Category::Persist);
    const auto first = std::lower_bound(charted.begin(), charted.end(), from);
    for (auto row = first; row != charted.end() && *row < to; ++row) {
        if (!window.contains(table.unixTime(*row))) continue;
        const std::int64_t rate = table.rateInt(*row);
        stats.peakRate = stats.rates == 0 ? rate : std::max(stats.peakRate, rate);
        stats.rateSum += rate;
        ++stats.rates;
    }
}

}  // namespace

SpanStats spanStats(const StatTable& table, TimeWindow window) {
    SpanStats stats;
    addSpanStats(stats, table, 0, table.size(), window);
    return stats;
}

void addSpanStats(SpanStats& stats, const StatTable& table, std::size_t from, std::size_t to,
                  TimeWindow window) {
    for (std::size_t i = from; i < to; ++i) {
        if (!window.contains(table.unixTime(i))) continue;
        ++stats.records;
        stats.bytes += table.totalBytes(i);
        if (table.hasInterval(i)) addInterval(stats, exactInterval(table, i));
    }
    addRates(stats, table, from, to, window);
}

std::vector<std::uint32_t> rowsWithin(const StatTable& table, TimeWindow window) {
    std::vector<std::uint32_t> rows;
    for (std::size_t i = 0; i < table.size(); ++i)
        if (window.contains(table.unixTime(i))) rows.push_back(static_cast<std::uint32_t>(i));
    return rows;
}

}  // namespace quill
