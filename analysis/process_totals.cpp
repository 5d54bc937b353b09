#include "analysis/process_totals.h"

#include <algorithm>

namespace quill {

namespace {

constexpr std::uint32_t kUnseen = 0xffffffff;

/// Sums one record at a time: a process's occurrences within the record first, so that its
/// peak compares whole records.
class TotalsBuilder {
public:
    explicit TotalsBuilder(const StatTable& table)
        : table_(table), slotOf_(table.strings().size(), kUnseen) {}

    void addRecord(std::size_t row) {
        touched_.clear();
        const auto category = static_cast<std::size_t>(table_.category(row));
        for (std::size_t p = table_.processBegin(row); p < table_.processEnd(row); ++p)
            addOccurrence(static_cast<std::uint32_t>(row), category, p);
        const std::int64_t time = table_.unixTime(row);
        for (const std::uint32_t slot : touched_) closeRecord(slots_[slot], time);
    }

    std::vector<ProcessTotal> take() {
        std::vector<ProcessTotal> totals;
        totals.reserve(slots_.size());
        for (Slot& slot : slots_) {
            ProcessTotal& total = totals.emplace_back(slot.total);
            for (const Int128& bytes : total.byCategory) total.bytes += bytes;
        }
        return totals;
    }

private:
    /// A total and the record being summed into it, side by side: one cache line to touch.
    struct Slot {
        ProcessTotal total;
        Int128 inRecord = 0;              ///< bytes in the record being summed
        std::uint32_t lastRow = kUnseen;  ///< the last record listing it
    };

    void addOccurrence(std::uint32_t row, std::size_t category, std::size_t p) {
        const StringTable::Id name = table_.processNameId(p);
        std::uint32_t& index = slotOf_[name];
        if (index == kUnseen) {
            index = static_cast<std::uint32_t>(slots_.size());
            slots_.push_back({.total = {.name = name}});
        }
        Slot& slot = slots_[index];
        const Int128 size = table_.processSize(p);
        slot.total.byCategory[category] += size;
        if (slot.lastRow != row) {
            slot.lastRow = row;
            slot.inRecord = 0;
            touched_.push_back(index);
        }
        slot.inRecord += size;
    }

    static void closeRecord(Slot& slot, std::int64_t time) {
        ProcessTotal& total = slot.total;
        if (total.records == 0 || slot.inRecord > total.peakBytes) {
            total.peakBytes = slot.inRecord;
            total.peakTime = time;
        }
        total.first = total.records == 0 ? time : std::min(total.first, time);
        total.last = total.records == 0 ? time : std::max(total.last, time);
        ++total.records;
    }

    const StatTable& table_;
    std::vector<std::uint32_t> slotOf_;  ///< by name id: its slot, or kUnseen
    std::vector<Slot> slots_;
    std::vector<std::uint32_t> touched_;  ///< slots the record being summed lists
};

}  // namespace

std::vector<ProcessTotal> processTotals(const StatTable& table, TimeWindow window) {
    TotalsBuilder builder(table);
    for (std::size_t row = 0; row < table.size(); ++row)
        if (window.contains(table.unixTime(row))) builder.addRecord(row);
    return builder.take();
}

void rankByBytes(std::vector<ProcessTotal>& totals, const StatTable& table) {
    std::sort(totals.begin(), totals.end(), [&](const ProcessTotal& a, const ProcessTotal& b) {
        if (a.bytes != b.bytes) return a.bytes > b.bytes;
        return table.strings()[a.name] < table.strings()[b.name];
    });
}

std::optional<StringTable::Id> processId(const StatTable& table, std::string_view name) {
    const StringTable& strings = table.strings();
    for (StringTable::Id id = 0; id < strings.size(); ++id)
        if (strings[id] == name) return id;
    return std::nullopt;
}

std::vector<std::uint32_t> rowsListing(const StatTable& table, StringTable::Id name) {
    std::vector<std::uint32_t> rows;
    for (std::size_t row = 0; row < table.size(); ++row)
        for (std::size_t p = table.processBegin(row); p < table.processEnd(row); ++p)
            if (table.processNameId(p) == name) {
                rows.push_back(static_cast<std::uint32_t>(row));
                break;
            }
    return rows;
}

std::int64_t clampedToInt64(Int128 value) noexcept {
    constexpr std::int64_t kMost = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kLeast = std::numeric_limits<std::int64_t>::min();
    if (value > Int128{kMost}) return kMost;
    if (value < Int128{kLeast}) return kLeast;
    return static_cast<std::int64_t>(value);
}

}  // namespace quill
