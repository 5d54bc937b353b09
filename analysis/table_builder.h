#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "analysis/stat_table.h"
#include "analysis/string_table.h"
#include "records/line_decoder.h"

namespace quill {

/// One chunk's lines as a decoding thread leaves them: the table's columns, with texts
/// numbered within the chunk. Reused from chunk to chunk, so a decoding thread allocates next
/// to nothing once it has seen a chunk or two.
class ChunkColumns {
public:
    explicit ChunkColumns(const SeededHash& hash = SeededHash()) : strings_(hash) {}

    std::size_t size() const noexcept { return unixTime_.size(); }
    bool empty() const noexcept { return unixTime_.empty(); }
    void append(const DecodedLine& line);
    /// Counts a line that could not be decoded.
    void skip() noexcept { ++skipped_; }
    void clear() noexcept;

private:
    friend class StatTableBuilder;
    StringTable::Id internLineText(std::string_view text,
                                   const std::vector<StringTable::Id>& column);

    std::vector<std::int64_t> unixTime_;
    std::vector<std::int64_t> totalBytes_;
    std::vector<Category> category_;
    std::vector<StringTable::Id> file_;
    std::vector<StringTable::Id> type_;
    std::vector<StringTable::Id> record_;
    std::vector<std::uint32_t> processCount_;
    std::vector<StringTable::Id> processName_;
    std::vector<std::int64_t> processSize_;
    StringInterner strings_;
    std::uint64_t skipped_ = 0;
};

/// Builds a `StatTable` from chunks handed over in file order: renumbers their texts into the
/// table's, relates each line to the previous one of its category, and appends the columns.
/// Lines past `StatTable::kMaxLines` are dropped.
///
/// The tables it hands out share its columns: each is the lines so far, and stays so while the
/// builder goes on appending, so a followed file costs only its new lines.
class StatTableBuilder {
public:
    StatTableBuilder();

    /// Makes room for about `lines` lines of about `processes` processes in all, so that the
    /// columns grow without moving. Room never used costs address space only.
    void reserve(std::size_t lines, std::size_t processes);
    void append(const ChunkColumns& chunk);
    std::size_t size() const noexcept { return table_->size(); }
    std::size_t processTotal() const noexcept { return table_->processTotal(); }
    /// The lines so far, as a table of their own that later appends leave as it is.
    std::shared_ptr<const StatTable> snapshot() const;

private:
    void deriveStatLine(const ChunkColumns& chunk, std::size_t i, std::size_t process);

    struct Tracker {
        std::uint32_t lastRow = StatTable::kNone;
        std::int64_t lastTime = 0;
    };
    std::unique_ptr<StatTable> table_;
    StringInterner strings_;
    std::vector<StringTable::Id> renumber_;  ///< the chunk's text ids as the table's
    std::array<Tracker, 3> trackers_{};
};

}  // namespace quill
