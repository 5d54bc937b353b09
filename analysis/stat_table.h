#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/shared_column.h"
#include "analysis/string_table.h"
#include "records/records.h"
#include "records/uuid.h"

namespace quill {

enum class Category : std::uint8_t { Persist, Special, Other };

/// Persist if `file` contains "Persist", else Special if it contains "Special", else Other;
/// case-sensitive.
Category categoryOf(std::string_view file) noexcept;

/// One loaded statistics file, as columns: a line is a row index, and its processes a range of
/// the process columns. Made once by a load and never changed, so that any number of views and
/// threads may read it while the model moves on to the next one.
///
/// The display texts (dates, size, interval, rate) are not kept: `LineTexts` formats them from
/// these numbers when a row is shown, exported or reported.
class StatTable {
public:
    StatTable() { processBegin_.push_back(0); }

    /// No previous line of the category.
    static constexpr std::uint32_t kNone = 0xffffffff;
    /// The most lines a table holds: row indices are 32-bit, and kNone is not one.
    static constexpr std::size_t kMaxLines = kNone;

    std::size_t size() const noexcept { return unixTime_.size(); }
    bool empty() const noexcept { return unixTime_.empty(); }

    std::int64_t unixTime(std::size_t i) const noexcept { return unixTime_[i]; }
    std::int64_t totalBytes(std::size_t i) const noexcept { return totalBytes_[i]; }
    Category category(std::size_t i) const noexcept {
        return static_cast<Category>(flags_[i] & kCategoryMask);
    }
    /// The row of the previous line of the same category in this file, or kNone.
    std::uint32_t previous(std::size_t i) const noexcept { return previous_[i]; }
    /// Whether the line has an interval: a previous line of its category with a time of 1 or
    /// more (a time of 0 or less marks a clock that was not set).
    bool hasInterval(std::size_t i) const noexcept { return (flags_[i] & kHasInterval) != 0; }
    /// Seconds since the previous line of the category, where `hasInterval` and it fits in 64
    /// bits; 0 otherwise.
    std::int64_t interval(std::size_t i) const noexcept { return interval_[i]; }
    /// KB per second over the interval for Persist lines; 0 for every other line.
    std::int64_t rateInt(std::size_t i) const noexcept { return rateInt_[i]; }

    std::string_view file(std::size_t i) const noexcept { return strings_[file_[i]]; }
    std::string_view type(std::size_t i) const noexcept { return strings_[type_[i]]; }
    std::string_view record(std::size_t i) const noexcept { return strings_[record_[i]]; }

    /// The processes of line `i` are [processBegin(i), processEnd(i)) of the process columns.
    std::size_t processBegin(std::size_t i) const noexcept { return processBegin_[i]; }
    std::size_t processEnd(std::size_t i) const noexcept { return processBegin_[i + 1]; }
    std::size_t processCount(std::size_t i) const noexcept {
        return processEnd(i) - processBegin(i);
    }
    std::size_t processTotal() const noexcept { return processName_.size(); }
    StringTable::Id processNameId(std::size_t p) const noexcept { return processName_[p]; }
    std::string_view processName(std::size_t p) const noexcept { return strings_[processName_[p]]; }
    std::int64_t processSize(std::size_t p) const noexcept {
        const std::int32_t narrow = processSize_[p];
        return narrow != kWideSize ? narrow : wideSize(p);
    }
    /// Every text of the table: process names, files, types and records, each once.
    const StringTable& strings() const noexcept { return strings_; }

    /// The rows of the Persist and of the Special lines that list at least three processes, in
    /// file order: the lines the point series draw.
    std::span<const std::uint32_t> chartedRows(Category category) const noexcept {
        return category == Category::Persist ? persistRows_ : specialRows_;
    }
    /// Whether this table is `older` with lines appended (or none): the same file followed
    /// as it grew, its first `older.size()` lines and their identities unchanged.
    bool extends(const StatTable& older) const noexcept {
        return idBase_ == older.idBase_ && size() >= older.size();
    }
    /// The least time of any line; meaningless for an empty table.
    std::int64_t earliestTime() const noexcept { return earliest_; }
    /// Lines of the file that held something other than blanks and could not be decoded.
    std::uint64_t skippedLines() const noexcept { return skipped_; }

    /// The identity of line `i`, the same on every call and distinct from any other line's or
    /// point's of any table of the run.
    Uuid lineId(std::size_t i) const noexcept { return idOf(0, i); }
    /// Identity of point `k` of a series: 1 for Persist, 2 for Special, 3 for the rates.
    Uuid pointId(unsigned series, std::size_t k) const noexcept { return idOf(series, k); }
    /// The row whose `lineId` is `id`, or kNone.
    std::uint32_t rowOf(const Uuid& id) const noexcept;

    /// Line `i` as a record of its own.
    StatEntry entry(std::size_t i) const;
    /// Line `i` as a display line, its texts formatted now in the local time zone.
    StatLine line(std::size_t i) const;

    /// Bytes the columns hold.
    std::size_t bytes() const noexcept;

private:
    friend class StatTableBuilder;
    static constexpr std::uint8_t kCategoryMask = 3;
    static constexpr std::uint8_t kHasInterval = 4;
    static constexpr std::int32_t kWideSize = INT32_MIN;

    std::int64_t wideSize(std::size_t p) const noexcept;
    Uuid idOf(unsigned kind, std::size_t index) const noexcept;

    SharedColumn<std::int64_t> unixTime_;
    SharedColumn<std::int64_t> totalBytes_;
    SharedColumn<std::int64_t> interval_;
    SharedColumn<std::int64_t> rateInt_;
    SharedColumn<std::uint32_t> previous_;
    SharedColumn<std::uint8_t> flags_;
    SharedColumn<StringTable::Id> file_;
    SharedColumn<StringTable::Id> type_;
    SharedColumn<StringTable::Id> record_;
    SharedColumn<std::uint64_t> processBegin_;
    SharedColumn<StringTable::Id> processName_;
    /// Sizes as most are, within 32 bits; kWideSize marks one kept in `wideSizes_`.
    SharedColumn<std::int32_t> processSize_;
    struct WideSize {
        std::uint64_t process;
        std::int64_t size;
    };
    SharedColumn<WideSize> wideSizes_;  ///< by process index
    StringTable strings_;
    SharedColumn<std::uint32_t> persistRows_;
    SharedColumn<std::uint32_t> specialRows_;
    std::int64_t earliest_ = INT64_MAX;
    std::uint64_t skipped_ = 0;
    Uuid idBase_;
};

}  // namespace quill
