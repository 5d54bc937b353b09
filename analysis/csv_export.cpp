#include "analysis/csv_export.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "analysis/derivation.h"

namespace quill {

namespace {

constexpr std::size_t kChunkBytes = 1 << 20;

void appendInteger(std::string& out, std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

/// One pass over the text; `find_first_of` with a set would call `memchr` once per character,
/// which made quoting the slowest part of exporting a large list.
bool needsQuotes(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; });
}

}  // namespace

void appendCsvField(std::string& out, std::string_view text) {
    if (!needsQuotes(text)) {
        out.append(text);
        return;
    }
    out.push_back('"');
    for (const char c : text) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

void appendCsvRecord(std::string& out, const StatTable& table, std::size_t i, LineTexts& texts) {
    const IntervalFigures figures = texts.figures(table, i);
    for (const std::string& text : {texts.prevDate(table, i), texts.entryDate(table, i),
                                    figures.duration, texts.size(table, i), figures.rate}) {
        appendCsvField(out, text);
        out.push_back(',');
    }
    appendCsvField(out, table.file(i));
    out.push_back(',');
    appendInteger(out, table.unixTime(i));
    out.push_back(',');
    appendInteger(out, table.totalBytes(i));
    out.append("\r\n");
}

bool writeCsv(const StatTable& lines, const RowIndices* rows, const CsvSink& sink,
              CsvHeader header) {
    LineTexts texts;
    std::string buffer;
    buffer.reserve(kChunkBytes + 4096);
    if (header == CsvHeader::Write) {
        buffer.append(kCsvHeader);
        buffer.append("\r\n");
    }
    const std::size_t count = rows ? rows->size() : lines.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t index = rows ? (*rows)[i] : i;
        // Indices come from a filter over this list; one past its end has nothing to write.
        if (index >= lines.size()) continue;
        appendCsvRecord(buffer, lines, index, texts);
        if (buffer.size() >= kChunkBytes) {
            if (!sink(buffer)) return false;
            buffer.clear();
        }
    }
    return sink(buffer);
}

std::string csvText(const StatTable& lines, const RowIndices* rows) {
    std::string text;
    writeCsv(lines, rows, [&](std::string_view chunk) {
        text.append(chunk);
        return true;
    });
    return text;
}

}  // namespace quill
