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
#include "analysis/loader.h"
#include "analysis/quillstat.h"
#include "analysis/record_decoding.h"
#include "fuzz/invariants.h"
#include "records/line_decoder.h"
#include "records/records.h"

namespace {

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

void checkLines(const quill::Quillstat& model, std::string_view text) {
    const auto& lines = model.statList();
    const std::vector<quill::StatEntry> expected = referenceEntries(text);
    check(lines.size() == expected.size(), "every decodable line loaded, and only those");
    std::int64_t earliest = quill::Quillstat::kInitialStartTime;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const quill::StatLine& line = lines[i];
        check(quill::fuzz::sameEntry(line.entry, expected[i]),
              "loaded record equals the line decoded alone");
        check(!line.entryDate.empty(), "entryDate is not empty");
        check(line.entryDate.size() <= quill::DateFormatter::kMaxLength, "entryDate fits");
        earliest = std::min(earliest, line.entry.unixTime);
    }
    check(model.startTime() == earliest, "a fresh model starts at its earliest record");
}

void checkSeries(const quill::Quillstat& model) {
    check(model.pointsPersist().size() == 3 * model.ratesPoints().size(),
          "three Persist points per rate point");
    check(model.pointsSpecial().size() % 3 == 0, "three Special points per record");
    check(model.ratesPoints().size() <= model.statList().size(), "at most one rate per line");
}

void checkSelection(quill::Quillstat& model, const quill::StatLine& line) {
    model.selectStat(line);
    const auto& selected = model.selectedStat();
    check(selected.has_value() && quill::fuzz::sameEntry(*selected, line.entry),
          "selection is the line");
    check(model.selectedStatStats().size() == line.entry.processList.size(),
          "one row per process of the selection");
    const std::string date = model.selectedDateText();
    check(!date.empty() && date != "date not available", "a selection has a date");
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

/// Decoding in chunks of any size, on one thread or several, finds the records of decoding the
/// whole text at once: no line is lost, cut or read twice where a chunk ends.
void checkChunks(std::string_view text, std::size_t chunkBytes, unsigned threads) {
    const quill::MemorySource source(text);
    std::vector<quill::StatEntry> found;
    const auto collect = [&](quill::RecordBatch batch) {
        for (std::size_t i = 0; i < batch.records.size(); ++i)
            found.push_back(batch.records.take(i));
    };
    const std::string error = quill::decodeRecords(source, collect, {chunkBytes, threads});
    check(error.empty(), "memory reads without an error");
    const std::vector<quill::StatEntry> expected = referenceEntries(text);
    check(found.size() == expected.size(), "chunks hold every line once");
    for (std::size_t i = 0; i < found.size() && i < expected.size(); ++i)
        check(quill::fuzz::sameEntry(found[i], expected[i]), "chunks keep the records in order");
}

void loadAndCheck(std::string_view text) {
    quill::Quillstat model;
    const auto outcome = model.loadStatBytes("fuzz.jsonl", text);
    check(outcome.status == quill::LoadStatus::Loaded, "bytes in memory load");
    check(model.fileName() == "fuzz.jsonl", "fileName is the given name");
    checkLines(model, text);
    checkSeries(model);
    check(model.selectedDateText() == "date not available", "no selection, no date");
    if (!model.statList().empty()) {
        checkSelection(model, model.statList().front());
        checkSelection(model, model.statList().back());
    }

    // Loading again replaces what the first load left rather than adding to it; the file now
    // holds an ignored member in every line, which must change none of its records.
    const std::vector<quill::StatLine> lines = model.statList();
    const std::size_t persistCount = model.pointsPersist().size();
    const std::string ignoring = withIgnoredMembers(text);
    model.loadStatBytes("fuzz.jsonl", ignoring);
    check(model.statList().size() == lines.size(), "a reload replaces the lines");
    for (std::size_t i = 0; i < lines.size(); ++i)
        check(quill::fuzz::sameEntry(model.statList()[i].entry, lines[i].entry),
              "an ignored member changes no record");
    check(model.pointsPersist().size() == persistCount, "a reload replaces the series");
    checkSeries(model);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    loadAndCheck(text);
    if (size > 0) {
        // Chunks small enough to cut most lines. Threads for a few inputs only, and over a few
        // chunks: starting them, and handing each chunk over, costs more than the checks.
        const std::size_t chunkBytes = 1 + data[0] % 61;
        checkChunks(text, chunkBytes, 1);
        if (data[size - 1] % 16 == 0) checkChunks(text, std::max(chunkBytes, size / 8 + 1), 3);
    }
    return 0;
}
