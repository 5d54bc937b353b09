#include "analysis/table_builder.h"

#include <limits>

#include "analysis/derivation.h"

namespace quill {

StringTable::Id ChunkColumns::internLineText(std::string_view text,
                                             const std::vector<StringTable::Id>& column) {
    // A log file is named by a run of records, and the type and record texts hardly ever
    // change: comparing with the line before answers most lines without a lookup.
    if (!column.empty() && strings_.table()[column.back()] == text) return column.back();
    return strings_.intern(text);
}

void ChunkColumns::append(const DecodedLine& line) {
    unixTime_.push_back(line.unixTime);
    totalBytes_.push_back(line.totalBytes);
    category_.push_back(categoryOf(line.file));
    file_.push_back(internLineText(line.file, file_));
    type_.push_back(internLineText(line.type, type_));
    record_.push_back(internLineText(line.record, record_));
    processCount_.push_back(static_cast<std::uint32_t>(line.processList.size()));
    for (const DecodedLine::Process& process : line.processList) {
        processName_.push_back(strings_.intern(process.process));
        processSize_.push_back(process.sizeBytes);
    }
}

void ChunkColumns::clear() noexcept {
    unixTime_.clear();
    totalBytes_.clear();
    category_.clear();
    file_.clear();
    type_.clear();
    record_.clear();
    processCount_.clear();
    processName_.clear();
    processSize_.clear();
    strings_.clear();
    skipped_ = 0;
}

StatTableBuilder::StatTableBuilder() : table_(std::make_unique<StatTable>()) {
    table_->idBase_ = UuidGenerator().next();
}

void StatTableBuilder::reserve(std::size_t lines, std::size_t processes) {
    StatTable& t = *table_;
    t.unixTime_.reserve(lines);
    t.totalBytes_.reserve(lines);
    t.interval_.reserve(lines);
    t.rateInt_.reserve(lines);
    t.previous_.reserve(lines);
    t.flags_.reserve(lines);
    t.file_.reserve(lines);
    t.type_.reserve(lines);
    t.record_.reserve(lines);
    t.processBegin_.reserve(lines + 1);
    t.processName_.reserve(processes);
    t.processSize_.reserve(processes);
}

void StatTableBuilder::append(const ChunkColumns& chunk) {
    const StringTable& texts = chunk.strings_.table();
    renumber_.resize(texts.size());
    table_->skipped_ += chunk.skipped_;
    for (StringTable::Id id = 0; id < texts.size(); ++id)
        renumber_[id] = strings_.intern(texts[id]);
    std::size_t process = 0;
    for (std::size_t i = 0; i < chunk.size(); ++i) {
        if (table_->size() >= StatTable::kMaxLines) return;
        deriveStatLine(chunk, i, process);
        process += chunk.processCount_[i];
    }
}

void StatTableBuilder::deriveStatLine(const ChunkColumns& chunk, std::size_t i,
                                      std::size_t process) {
    StatTable& t = *table_;
    const auto row = static_cast<std::uint32_t>(t.size());
    const std::int64_t time = chunk.unixTime_[i];
    const std::int64_t total = chunk.totalBytes_[i];
    const Category category = chunk.category_[i];
    Tracker& tracker = trackers_[static_cast<std::size_t>(category)];

    auto flags = static_cast<std::uint8_t>(category);
    IntervalNumbers numbers;
    // A previous time of 0 or less counts as no predecessor: such times mark records whose
    // clock was not set, and an interval from them would mean nothing.
    if (tracker.lastRow != StatTable::kNone && tracker.lastTime >= 1) {
        flags |= StatTable::kHasInterval;
        numbers = intervalNumbers(time, tracker.lastTime, total, category == Category::Persist);
    }
    t.unixTime_.push_back(time);
    t.totalBytes_.push_back(total);
    t.interval_.push_back(numbers.interval);
    t.rateInt_.push_back(numbers.rateInt);
    t.previous_.push_back(tracker.lastRow);
    t.flags_.push_back(flags);
    t.file_.push_back(renumber_[chunk.file_[i]]);
    t.type_.push_back(renumber_[chunk.type_[i]]);
    t.record_.push_back(renumber_[chunk.record_[i]]);
    tracker = {row, time};
    if (time < t.earliest_) t.earliest_ = time;

    const std::uint32_t count = chunk.processCount_[i];
    for (std::size_t k = process; k < process + count; ++k) {
        t.processName_.push_back(renumber_[chunk.processName_[k]]);
        const std::int64_t size = chunk.processSize_[k];
        if (size > std::numeric_limits<std::int32_t>::min() &&
            size <= std::numeric_limits<std::int32_t>::max()) {
            t.processSize_.push_back(static_cast<std::int32_t>(size));
        } else {
            t.wideSizes_.push_back({t.processSize_.size(), size});
            t.processSize_.push_back(StatTable::kWideSize);
        }
    }
    t.processBegin_.push_back(t.processName_.size());
    if (count >= 3 && category != Category::Other)
        (category == Category::Persist ? t.persistRows_ : t.specialRows_).push_back(row);
}

std::shared_ptr<const StatTable> StatTableBuilder::snapshot() const {
    auto table = std::make_shared<StatTable>(*table_);
    table->strings_ = strings_.table();
    return table;
}

}  // namespace quill
