#include "analysis/list_filter.h"

#include <algorithm>
#include <array>
#include <limits>

#include "analysis/derivation.h"
#include "analysis/os.h"

namespace quill {

namespace {

constexpr std::array<unsigned char, 256> makeFoldTable() {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] =
            static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    return table;
}

constexpr std::array<unsigned char, 256> kFold = makeFoldTable();

unsigned char fold(char c) {
    return kFold[static_cast<unsigned char>(c)];
}

std::size_t rowLimit(std::size_t size) {
    return std::min<std::size_t>(size, std::numeric_limits<std::uint32_t>::max());
}

}  // namespace

std::string foldNeedle(std::string_view needle) {
    std::string folded(needle);
    for (char& c : folded) c = static_cast<char>(fold(c));
    return folded;
}

bool narrows(std::string_view previousNeedle, std::string_view needle) {
    return foldNeedle(needle).find(foldNeedle(previousNeedle)) != std::string::npos;
}

namespace {

/// Ends each text in the index. No valid UTF-8 holds this byte, and the model's texts are
/// valid UTF-8, so a needle that matches in the index matches within one text.
constexpr char kSeparator = '\xff';

void appendFolded(std::string& out, std::string_view text) {
    const std::size_t at = out.size();
    out.append(text);
    // Branch-free, so that the compiler can fold many bytes at once.
    for (char* c = out.data() + at; c != out.data() + out.size(); ++c) {
        const auto u = static_cast<unsigned char>(*c);
        *c = static_cast<char>(u + (static_cast<unsigned char>(u - 'A') < 26 ? 32 : 0));
    }
    out.push_back(kSeparator);
}

/// Appends line `i`'s searched texts, the file first: the text people filter by most.
void appendLine(std::string& out, const StatTable& table, std::size_t i, LineTexts& texts) {
    const IntervalFigures figures = texts.figures(table, i);
    appendFolded(out, table.file(i));
    appendFolded(out, texts.entryDate(table, i));
    appendFolded(out, texts.prevDate(table, i));
    appendFolded(out, texts.size(table, i));
    appendFolded(out, figures.rate);
    appendFolded(out, figures.duration);
}

/// Where `needle` (not empty) first occurs in `hay`, or npos. glibc's memmem skips ahead by
/// pairs of bytes, where a search for the first byte alone stalls on every common digit.
std::size_t find(std::string_view hay, std::string_view needle, std::size_t from) {
    if (from >= hay.size()) return std::string_view::npos;
    const std::size_t hit = os::findBytes(hay.substr(from), needle);
    return hit == std::string_view::npos ? hit : from + hit;
}

}  // namespace

ListSearchIndex::ListSearchIndex(const StatTable& table) {
    const std::size_t count = rowLimit(table.size());
    LineTexts texts;
    starts_.reserve(count + 1);
    for (std::size_t i = 0; i < count; ++i) {
        starts_.push_back(text_.size());
        appendLine(text_, table, i, texts);
        // Sized from the first lines: growing a buffer of a hundred megabytes by doubling
        // would copy it and fault in twice the memory.
        if (i == std::min<std::size_t>(count, 4096) - 1)
            text_.reserve(text_.size() / (i + 1) * count / 8 * 9 + 64);
    }
    starts_.push_back(text_.size());
}

RowIndices ListSearchIndex::filter(std::string_view needle) const {
    const std::string folded = foldNeedle(needle);
    RowIndices rows;
    if (folded.empty()) {
        rows.resize(size());
        for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<std::uint32_t>(i);
        return rows;
    }
    // Found in no text, as a byte that no valid UTF-8 holds.
    if (folded.find(kSeparator) != std::string::npos) return rows;
    const std::string_view text(text_);
    std::size_t line = 0;
    for (std::size_t hit = find(text, folded, 0); hit != std::string_view::npos;) {
        // The line holding the hit: hits come in order, and mostly a few lines apart, so
        // walking on from the last one beats a binary search over the whole list.
        while (starts_[line + 1] <= hit) ++line;
        rows.push_back(static_cast<std::uint32_t>(line));
        hit = find(text, folded, starts_[line + 1]);
    }
    return rows;
}

RowIndices ListSearchIndex::narrow(const RowIndices& previous, std::string_view needle) const {
    const std::string folded = foldNeedle(needle);
    RowIndices rows;
    if (folded.find(kSeparator) != std::string::npos) return rows;
    for (const std::uint32_t i : previous)
        if (i < size() && find(row(i), folded, 0) != std::string_view::npos) rows.push_back(i);
    return rows;
}

}  // namespace quill
