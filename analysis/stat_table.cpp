#include "analysis/stat_table.h"

#include <algorithm>
#include <cstring>

#include "analysis/derivation.h"

namespace quill {

Category categoryOf(std::string_view file) noexcept {
    if (file.find("Persist") != std::string_view::npos) return Category::Persist;
    if (file.find("Special") != std::string_view::npos) return Category::Special;
    return Category::Other;
}

std::int64_t StatTable::wideSize(std::size_t p) const noexcept {
    const auto it = std::lower_bound(
        wideSizes_.begin(), wideSizes_.end(), p,
        [](const WideSize& wide, std::size_t process) { return wide.process < process; });
    // Every marked size has its entry: the marker itself is never a size kept narrow.
    return it != wideSizes_.end() && it->process == p ? it->size : kWideSize;
}

// An id is the table's random base with its last six bytes replaced: the kind of record in
// one, the index in five. Lines and points of one table never share an id, and those of two
// tables share one only if their 74 random bits do.
Uuid StatTable::idOf(unsigned kind, std::size_t index) const noexcept {
    Uuid id = idBase_;
    id.bytes[10] = static_cast<std::uint8_t>(kind);
    for (int b = 15; b >= 11; --b) {
        id.bytes[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(index & 0xff);
        index >>= 8;
    }
    return id;
}

std::uint32_t StatTable::rowOf(const Uuid& id) const noexcept {
    if (!std::equal(id.bytes.begin(), id.bytes.begin() + 10, idBase_.bytes.begin()) ||
        id.bytes[10] != 0)
        return kNone;
    std::uint64_t row = 0;
    for (std::size_t b = 11; b < 16; ++b) row = row << 8 | id.bytes[b];
    return row < size() ? static_cast<std::uint32_t>(row) : kNone;
}

StatEntry StatTable::entry(std::size_t i) const {
    StatEntry entry;
    entry.unixTime = unixTime(i);
    entry.totalBytes = totalBytes(i);
    entry.processList.reserve(processCount(i));
    for (std::size_t p = processBegin(i); p < processEnd(i); ++p)
        entry.processList.push_back({Text(processName(p)), processSize(p)});
    entry.type = Text(type(i));
    entry.record = Text(record(i));
    entry.file = Text(file(i));
    return entry;
}

StatLine StatTable::line(std::size_t i) const {
    return LineTexts().line(*this, i);
}

std::size_t StatTable::bytes() const noexcept {
    const auto held = [](const auto& column) { return column.size() * sizeof(column[0]); };
    return held(unixTime_) + held(totalBytes_) + held(interval_) + held(rateInt_) +
           held(previous_) + held(flags_) + held(file_) + held(type_) + held(record_) +
           held(processBegin_) + held(processName_) + held(processSize_) + held(wideSizes_) +
           strings_.bytes() + held(persistRows_) + held(specialRows_);
}

}  // namespace quill
