#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "analysis/stat_table.h"
#include "analysis/time_span.h"
#include "records/wide_int.h"

namespace quill {

/// What one process wrote over the records of a window: sums exact, whatever they reach, so
/// that only their printing has to decide what to do with a figure past 64 bits.
struct ProcessTotal {
    StringTable::Id name = 0;            ///< in the table's strings
    Int128 bytes = 0;                    ///< every occurrence, two in one record counting twice
    std::uint64_t records = 0;           ///< records listing it at least once
    std::array<Int128, 3> byCategory{};  ///< bytes by the record's Category
    Int128 peakBytes = 0;                ///< the most in one record, its occurrences there summed
    std::int64_t peakTime = 0;  ///< the time of the first record, in file order, with that peak
    std::uint32_t peakRow = 0;  ///< that record's row
    std::int64_t first = 0;     ///< the least time of a record listing it
    std::int64_t last = 0;      ///< the greatest

    friend bool operator==(const ProcessTotal&, const ProcessTotal&) = default;
};

/// Sums processes a record at a time, the records in any order, and totals summed elsewhere
/// over other records: what it gives depends only on which records went in, never on their
/// order, as a peak's tie goes to the record first in the file.
class ProcessSummer {
public:
    explicit ProcessSummer(const StatTable& table);

    void addRecord(std::size_t row);
    /// Adds `part`, the total of one process over records none of which were added already.
    void addTotal(const ProcessTotal& part);
    /// The totals so far, in order of first appearance; starts again empty.
    std::vector<ProcessTotal> take();

private:
    static constexpr std::uint32_t kUnseen = 0xffffffff;
    struct Slot {
        ProcessTotal total;
        Int128 inRecord = 0;              ///< bytes in the record being summed
        std::uint32_t lastRow = kUnseen;  ///< the last record listing it
    };
    /// The index of `name`'s slot, made on its first occurrence. Inline: every occurrence of
    /// every line comes here.
    std::uint32_t slotOf(StringTable::Id name) {
        std::uint32_t& index = slotOf_[name];
        if (index == kUnseen) {
            index = static_cast<std::uint32_t>(slots_.size());
            slots_.push_back({.total = {.name = name}});
        }
        return index;
    }
    void closeRecord(Slot& slot, std::uint32_t row, std::int64_t time);

    const StatTable& table_;
    std::vector<std::uint32_t> slotOf_;  ///< by name id: its slot, or none
    std::vector<Slot> slots_;
    std::vector<std::uint32_t> touched_;  ///< slots the record being summed lists
};

/// Every process of `table`'s records within `window`, in order of first appearance.
std::vector<ProcessTotal> processTotals(const StatTable& table, TimeWindow window = {});

/// Adds the records of rows [from, to) within `window` to `totals`, the processes of other
/// records of `table` (or of a table it `extends`): the totals of both, exactly as one sum of
/// all of them gives, peaks' ties and all. A followed file's new lines cost only themselves.
/// Processes new to `totals` come after the others, in order of first appearance.
void addRows(std::vector<ProcessTotal>& totals, const StatTable& table, std::size_t from,
             std::size_t to, TimeWindow window = {});

/// Most bytes first; ties by name in byte order, which is UTF-8 code point order.
void rankByBytes(std::vector<ProcessTotal>& totals, const StatTable& table);

/// The id of the text `name` (whole, byte for byte) in `table`'s strings, or nothing when the
/// table holds no such text. A file's name has an id too, which no record lists as a process.
std::optional<StringTable::Id> processId(const StatTable& table, std::string_view name);

/// The rows of `table` whose records list the process `name` at least once, in file order.
std::vector<std::uint32_t> rowsListing(const StatTable& table, StringTable::Id name);

/// Runs `work(0)` here and `work(1)` to `work(parts - 1)` on threads of their own, and returns
/// once every one has ended.
void inParallel(std::size_t parts, const std::function<void(std::size_t)>& work);

/// `value` as the nearest signed 64-bit number: figures are exact until they are shown.
std::int64_t clampedToInt64(Int128 value) noexcept;

}  // namespace quill
