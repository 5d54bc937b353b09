#include "analysis/list_filter.h"

#include <string.h>

#include <algorithm>
#include <array>
#include <limits>

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

bool hasLetter(std::string_view folded) {
    return std::any_of(folded.begin(), folded.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

/// `hay` contains `folded` (already folded), ignoring the case of ASCII letters. UTF-8 never
/// uses an ASCII byte inside a multi-byte character, so folding bytes cannot make one
/// character match part of another.
bool containsFolded(std::string_view hay, std::string_view folded, bool letters) {
    if (!letters) return hay.find(folded) != std::string_view::npos;
    const std::size_t m = folded.size();
    if (hay.size() < m) return false;
    const char first = folded.front();
    const char upper =
        first >= 'a' && first <= 'z' ? static_cast<char>(first - ('a' - 'A')) : first;
    const char* p = hay.data();
    const char* const last = p + (hay.size() - m);
    for (; p <= last; ++p) {
        if (*p != first && *p != upper) continue;
        std::size_t i = 1;
        while (i < m && fold(p[i]) == static_cast<unsigned char>(folded[i])) ++i;
        if (i == m) return true;
    }
    return false;
}

/// What the filter compares for one needle, worked out once rather than per line.
struct Needle {
    explicit Needle(std::string_view text) : folded(foldNeedle(text)), letters(hasLetter(folded)) {}
    std::string folded;
    bool letters;
};

bool matches(const StatLine& line, const Needle& needle) {
    if (needle.folded.empty()) return true;
    const auto has = [&](std::string_view text) {
        return containsFolded(text, needle.folded, needle.letters);
    };
    // The file first: it is the text people filter by most.
    return has(line.entry.file) || has(line.entryDate) || has(line.prevDate) || has(line.size) ||
           has(line.rate) || has(line.duration);
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

bool lineMatches(const StatLine& line, std::string_view needle) {
    return matches(line, Needle(needle));
}

RowIndices filterRows(const std::vector<StatLine>& lines, std::string_view needle) {
    const Needle n(needle);
    const std::size_t count = rowLimit(lines.size());
    RowIndices rows;
    if (n.folded.empty()) rows.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        if (matches(lines[i], n)) rows.push_back(static_cast<std::uint32_t>(i));
    return rows;
}

RowIndices narrowRows(const std::vector<StatLine>& lines, const RowIndices& previous,
                      std::string_view needle) {
    const Needle n(needle);
    RowIndices rows;
    for (const std::uint32_t i : previous)
        // An index past the end belongs to a list that has since shrunk: drop it.
        if (i < lines.size() && matches(lines[i], n)) rows.push_back(i);
    return rows;
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

std::array<std::string_view, 6> searchedTexts(const StatLine& line) {
    return {line.entry.file.view(),      line.entryDate.view(),
            line.prevDate.view(),        std::string_view(line.size),
            std::string_view(line.rate), std::string_view(line.duration)};
}

/// The index's size, from the first lines: growing a buffer of a hundred megabytes by
/// doubling would copy it and fault in twice the memory.
std::size_t estimatedBytes(const std::vector<StatLine>& lines, std::size_t count) {
    const std::size_t sample = std::min<std::size_t>(count, 4096);
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < sample; ++i)
        for (const std::string_view t : searchedTexts(lines[i])) bytes += t.size() + 1;
    return sample == 0 ? 0 : bytes / sample * count / 8 * 9 + 64;
}

/// Where `needle` (not empty) first occurs in `hay`, or npos. glibc's memmem skips ahead by
/// pairs of bytes, where a search for the first byte alone stalls on every common digit.
std::size_t find(std::string_view hay, std::string_view needle, std::size_t from) {
    if (from >= hay.size()) return std::string_view::npos;
    const void* hit = ::memmem(hay.data() + from, hay.size() - from, needle.data(), needle.size());
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - hay.data())
               : std::string_view::npos;
}

}  // namespace

ListSearchIndex::ListSearchIndex(const std::vector<StatLine>& lines) {
    const std::size_t count = rowLimit(lines.size());
    starts_.reserve(count + 1);
    text_.reserve(estimatedBytes(lines, count));
    for (std::size_t i = 0; i < count; ++i) {
        starts_.push_back(text_.size());
        for (const std::string_view t : searchedTexts(lines[i])) appendFolded(text_, t);
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
