#include "analysis/list_filter.h"

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

}  // namespace quill
