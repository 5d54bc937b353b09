#include "analysis/process_totals.h"

#include <algorithm>
#include <thread>

namespace quill {

ProcessSummer::ProcessSummer(const StatTable& table)
    : table_(table), slotOf_(table.strings().size(), kUnseen) {}

void ProcessSummer::addRecord(std::size_t row) {
    touched_.clear();
    const auto category = static_cast<std::size_t>(table_.category(row));
    const auto at = static_cast<std::uint32_t>(row);
    for (std::size_t p = table_.processBegin(row); p < table_.processEnd(row); ++p) {
        const std::uint32_t index = slotOf(table_.processNameId(p));
        Slot& slot = slots_[index];
        const Int128 size = table_.processSize(p);
        slot.total.byCategory[category] += size;
        if (slot.lastRow != at) {
            slot.lastRow = at;
            slot.inRecord = 0;
            touched_.push_back(index);
        }
        slot.inRecord += size;
    }
    const std::int64_t time = table_.unixTime(row);
    for (const std::uint32_t index : touched_) closeRecord(slots_[index], at, time);
}

namespace {

/// Whether a peak of `bytes` in `row` beats `total`'s: more bytes, or as many earlier in the file.
bool beatsPeak(const ProcessTotal& total, const Int128& bytes, std::uint32_t row) {
    return total.records == 0 || bytes > total.peakBytes ||
           (bytes == total.peakBytes && row < total.peakRow);
}

}  // namespace

void ProcessSummer::closeRecord(Slot& slot, std::uint32_t row, std::int64_t time) {
    ProcessTotal& total = slot.total;
    if (beatsPeak(total, slot.inRecord, row)) {
        total.peakBytes = slot.inRecord;
        total.peakTime = time;
        total.peakRow = row;
    }
    total.first = total.records == 0 ? time : std::min(total.first, time);
    total.last = total.records == 0 ? time : std::max(total.last, time);
    ++total.records;
}

void ProcessSummer::addTotal(const ProcessTotal& part) {
    if (part.records == 0) return;
    ProcessTotal& total = slots_[slotOf(part.name)].total;
    for (std::size_t c = 0; c < total.byCategory.size(); ++c)
        total.byCategory[c] += part.byCategory[c];
    if (beatsPeak(total, part.peakBytes, part.peakRow)) {
        total.peakBytes = part.peakBytes;
        total.peakTime = part.peakTime;
        total.peakRow = part.peakRow;
    }
    total.first = total.records == 0 ? part.first : std::min(total.first, part.first);
    total.last = total.records == 0 ? part.last : std::max(total.last, part.last);
    total.records += part.records;
}

std::vector<ProcessTotal> ProcessSummer::take() {
    std::vector<ProcessTotal> totals;
    totals.reserve(slots_.size());
    for (const Slot& slot : slots_) {
        ProcessTotal& total = totals.emplace_back(slot.total);
        total.bytes = 0;
        for (const Int128& bytes : total.byCategory) total.bytes += bytes;
        slotOf_[total.name] = kUnseen;
    }
    slots_.clear();
    return totals;
}

std::vector<ProcessTotal> processTotals(const StatTable& table, TimeWindow window) {
    // A stretch of lines per core, each summed on its own; their totals added in file order
    // keep the order of first appearance.
    constexpr std::size_t kLinesPerThread = 1 << 16;
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1,
                                                        table.size() / kLinesPerThread + 1);
    std::vector<std::vector<ProcessTotal>> parts(threads);
    const auto sumPart = [&](std::size_t part) {
        ProcessSummer summer(table);
        const std::size_t end = table.size() * (part + 1) / threads;
        for (std::size_t row = table.size() * part / threads; row < end; ++row)
            if (window.contains(table.unixTime(row))) summer.addRecord(row);
        parts[part] = summer.take();
    };
    inParallel(threads, sumPart);
    if (threads == 1) return std::move(parts[0]);
    ProcessSummer summer(table);
    for (const std::vector<ProcessTotal>& part : parts)
        for (const ProcessTotal& total : part) summer.addTotal(total);
    return summer.take();
}

void addRows(std::vector<ProcessTotal>& totals, const StatTable& table, std::size_t from,
             std::size_t to, TimeWindow window) {
    ProcessSummer summer(table);
    for (const ProcessTotal& total : totals) summer.addTotal(total);
    for (std::size_t row = from; row < to; ++row)
        if (window.contains(table.unixTime(row))) summer.addRecord(row);
    totals = summer.take();
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

void inParallel(std::size_t parts, const std::function<void(std::size_t)>& work) {
    std::vector<std::thread> workers;
    // Joined however this thread leaves, or a thread still running would end the program.
    struct Joiner {
        std::vector<std::thread>& threads;
        ~Joiner() {
            for (std::thread& thread : threads)
                if (thread.joinable()) thread.join();
        }
    } joiner{workers};
    for (std::size_t part = 1; part < parts; ++part) workers.emplace_back(work, part);
    work(0);
}

std::int64_t clampedToInt64(Int128 value) noexcept {
    constexpr std::int64_t kMost = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kLeast = std::numeric_limits<std::int64_t>::min();
    if (value > Int128{kMost}) return kMost;
    if (value < Int128{kLeast}) return kLeast;
    return static_cast<std::int64_t>(value);
}

}  // namespace quill
