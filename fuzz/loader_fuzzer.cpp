// Fuzz target for loading a statistics file into the model: any file content must load without
// a crash, and what the model then holds must be consistent enough for the views to draw.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/date_format.h"
#include "analysis/derivation.h"
#include "analysis/process_index.h"
#include "analysis/quillstat.h"
#include "analysis/record_decoding.h"
#include "fuzz/invariants.h"
#include "records/line_decoder.h"

namespace {

using quill::StatTable;

void check(bool holds, const char* invariant) {
    if (!holds) quill::fuzz::fail("loader_fuzzer", invariant);
}

/// The records a file holds, decoded one line at a time through the copying path of the
/// decoder: the loader decodes in place, from a buffer where a line is followed by the next one
/// rather than by padding, and must find exactly these.
std::vector<quill::StatEntry> referenceEntries(std::string_view text) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    std::vector<quill::StatEntry> entries;
    quill::LineDecoder decoder;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        if (auto entry = end > 0 ? decoder.decode(text.substr(0, end)) : std::nullopt)
            entries.push_back(*entry);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return entries;
}

void checkEntries(const StatTable& table, const std::vector<quill::StatEntry>& expected) {
    check(table.size() == expected.size(), "every decodable line loaded, and only those");
    for (std::size_t i = 0; i < table.size() && i < expected.size(); ++i)
        check(quill::fuzz::sameEntry(table.entry(i), expected[i]),
              "loaded record equals the line decoded alone, in file order");
}

void checkLines(const quill::Quillstat& model, const std::vector<quill::StatEntry>& expected) {
    const StatTable& table = model.statList();
    checkEntries(table, expected);
    quill::LineTexts texts;
    std::int64_t earliest = quill::Quillstat::kInitialStartTime;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::string date = texts.entryDate(table, i);
        check(!date.empty() && date.size() <= quill::DateFormatter::kMaxLength, "entryDate fits");
        const std::uint32_t previous = table.previous(i);
        check(previous == StatTable::kNone ||
                  (previous < i && table.category(previous) == table.category(i)),
              "a line follows an earlier one of its own category");
        check(!table.hasInterval(i) ||
                  (previous != StatTable::kNone && table.unixTime(previous) >= 1),
              "an interval runs from a set clock");
        earliest = std::min(earliest, table.unixTime(i));
    }
    check(model.startTime() == earliest, "a fresh model starts at its earliest record");
    check(model.pointsPersist().size() == 3 * model.ratesPoints().size(),
          "three Persist points per rate point");
    check(model.pointsSpecial().size() % 3 == 0, "three Special points per record");
    check(model.ratesPoints().size() <= table.size(), "at most one rate per line");
}

void checkSelection(quill::Quillstat& model, std::size_t i) {
    const quill::StatLine line = model.statList().line(i);
    model.selectStat(line);
    check(quill::fuzz::sameEntry(*model.selectedStat(), line.entry), "selection is the line");
    check(model.selectedStatStats().size() == line.entry.processList.size(),
          "one row per process of the selection");
    check(model.selectedDateText() != "date not available", "a selection has a date");
}

/// `text` with an ignored member that the JSON parser refuses put into every line's object.
std::string withIgnoredMembers(std::string_view text) {
    std::string out;
    for (;;) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        out += quill::fuzz::withIgnoredMember(text.substr(0, end));
        if (end == text.size()) return out;
        out += '\n';
        text.remove_prefix(end + 1);
    }
}

/// Decoding in chunks of any size, on one thread or several, finds the records of decoding
/// line by line, related to the previous ones of their categories as in one piece: no line is
/// lost, cut or read twice where a chunk ends, and no chain breaks there.
void checkChunks(std::string_view text, const StatTable& whole,
                 const std::vector<quill::StatEntry>& expected, std::size_t chunkBytes,
                 unsigned threads) {
    const quill::MemorySource source(text);
    quill::StatTableBuilder builder;
    const quill::DecodeResult result =
        quill::decodeRecords(source, [&](quill::ChunkBatch batch) { builder.append(batch.lines); },
                             {chunkBytes, threads});
    check(result.error.empty() && !result.cancelled, "memory reads without an error");
    const auto table = builder.snapshot();
    checkEntries(*table, expected);
    for (std::size_t i = 0; i < table->size() && i < whole.size(); ++i)
        check(table->previous(i) == whole.previous(i) && table->interval(i) == whole.interval(i) &&
                  table->rateInt(i) == whole.rateInt(i),
              "chains of categories cross chunks");
}

/// The index over time sums any window as reading every line again does, and its buckets hold
/// every byte of the records they cover, once.
void checkProcesses(const std::shared_ptr<const StatTable>& table) {
    using namespace quill;
    const ProcessIndex index(table);
    const auto same = [&](TimeWindow window) {
        std::vector<ProcessTotal> plain = processTotals(*table, window);
        std::vector<ProcessTotal> indexed = index.totals(window);
        rankByBytes(plain, *table);
        rankByBytes(indexed, *table);
        return plain == indexed;
    };
    check(same({}), "the index sums the whole file as every line does");
    if (table->empty()) return;
    const std::int64_t middle = index.firstTime() / 2 + index.lastTime() / 2;
    check(same({index.firstTime(), middle}) && same({middle, index.lastTime()}),
          "the index sums half the file as its lines do");
    // Within reach of the calendar, every record falls in a bucket.
    constexpr std::int64_t kNear = std::int64_t{1} << 50;
    if (index.firstTime() < -kNear || index.lastTime() > kNear) return;
    const ProcessBuckets buckets =
        index.buckets({}, 2, bucketUnitFor(index.lastTime() - index.firstTime(), 50));
    Int128 inBuckets = 0;
    for (const Int128& bytes : buckets.bytes) inBuckets += bytes;
    Int128 inFile = 0;
    for (const ProcessTotal& total : index.totals({})) inFile += total.bytes;
    // A span of more months than a chart could draw gets no buckets at all.
    check(buckets.buckets() <= 100'001 && (buckets.starts.empty() || inBuckets == inFile),
          "every byte in one bucket");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<quill::StatEntry> expected = referenceEntries(text);
    quill::Quillstat model;
    quill::StatLoad load = quill::readStatSource("fuzz.jsonl", quill::MemorySource(text));
    check(load.status == quill::LoadStatus::Loaded, "bytes in memory load");
    check(model.applyLoad(std::move(load)).status == quill::LoadStatus::Loaded, "and apply");
    check(model.fileName() == "fuzz.jsonl", "fileName is the given name");
    checkLines(model, expected);
    check(model.selectedDateText() == "date not available", "no selection, no date");
    const std::shared_ptr<const StatTable> first = model.statListTable();
    checkProcesses(first);
    if (!first->empty()) {
        checkSelection(model, 0);
        checkSelection(model, first->size() - 1);
    }
    // Loading again replaces what the first load left; an ignored member in every line must
    // change none of its records.
    model.loadStatBytes("fuzz.jsonl", withIgnoredMembers(text));
    checkLines(model, expected);
    if (size > 0) {
        // Chunks small enough to cut most lines. Threads for a few inputs only, and over a few
        // chunks: starting them, and handing each chunk over, costs more than the checks.
        const std::size_t chunkBytes = 1 + data[0] % 61;
        checkChunks(text, *first, expected, chunkBytes, 1);
        if (data[size - 1] % 16 == 0)
            checkChunks(text, *first, expected, std::max(chunkBytes, size / 8 + 1), 3);
    }
    return 0;
}
