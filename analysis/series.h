#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "analysis/stat_table.h"
#include "records/records.h"

namespace quill {

/// The points of a Persist or Special size series, read straight from a table's columns: for
/// each line that lists at least three processes, in file order, one point for each of its
/// first three processes.
class PointSeries {
public:
    PointSeries() = default;
    PointSeries(std::shared_ptr<const StatTable> table, Category category,
                std::int64_t startTime) noexcept
        : table_(std::move(table)), category_(category), startTime_(startTime) {}

    std::size_t size() const noexcept { return table_ ? 3 * rows().size() : 0; }
    bool empty() const noexcept { return size() == 0; }
    /// Seconds since 1970 of point `k`.
    double date(std::size_t k) const noexcept {
        return static_cast<double>(table_->unixTime(row(k)));
    }
    /// KB of point `k`.
    std::int64_t sizeKB(std::size_t k) const noexcept {
        return table_->processSize(table_->processBegin(row(k)) + k % 3) / 1024;
    }
    /// Which process of its line point `k` shows: 0, 1 or 2, the series' label "… 1" to "… 3".
    static std::size_t position(std::size_t k) noexcept { return k % 3; }
    /// Point `k` as a record of its own.
    PointStats point(std::size_t k) const;
    const char* label(std::size_t position) const noexcept;
    /// The table the points are read from, and which of its lines they are.
    const std::shared_ptr<const StatTable>& table() const noexcept { return table_; }
    Category category() const noexcept { return category_; }

    /// The points of `lines`, indices of the series' lines (point `k` is of line `k / 3`), for
    /// a reader of millions of points: each line's `date` into `dates`, and the `sizeKB` of its
    /// three points into `sizes`, three by three.
    void read(std::span<const std::uint32_t> lines, double* dates,
              std::int64_t* sizes) const noexcept;

private:
    std::span<const std::uint32_t> rows() const noexcept { return table_->chartedRows(category_); }
    std::uint32_t row(std::size_t k) const noexcept { return rows()[k / 3]; }

    std::shared_ptr<const StatTable> table_;
    Category category_ = Category::Persist;
    std::int64_t startTime_ = 0;
};

/// The rate series: one point for each Persist line that lists at least three processes.
class RateSeries {
public:
    RateSeries() = default;
    RateSeries(std::shared_ptr<const StatTable> table, std::int64_t startTime) noexcept
        : table_(std::move(table)), startTime_(startTime) {}

    std::size_t size() const noexcept { return table_ ? rows().size() : 0; }
    bool empty() const noexcept { return size() == 0; }
    double date(std::size_t k) const noexcept {
        return static_cast<double>(table_->unixTime(rows()[k]));
    }
    std::int64_t rate(std::size_t k) const noexcept { return table_->rateInt(rows()[k]); }
    RateStats point(std::size_t k) const;
    const std::shared_ptr<const StatTable>& table() const noexcept { return table_; }

    /// The points `indices`, for a reader of millions of points: their `date` into `dates`
    /// and their `rate` into `rates`.
    void read(std::span<const std::uint32_t> indices, double* dates,
              std::int64_t* rates) const noexcept;

private:
    std::span<const std::uint32_t> rows() const noexcept {
        return table_->chartedRows(Category::Persist);
    }

    std::shared_ptr<const StatTable> table_;
    std::int64_t startTime_ = 0;
};

/// Seconds from `startTime` to `unixTime`, held at the 64-bit limits where the difference
/// passes them.
std::int64_t secondsSince(std::int64_t startTime, std::int64_t unixTime) noexcept;

}  // namespace quill
