#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "records/records.h"

namespace quill {

/// Indices into a list of display lines, in list order.
using RowIndices = std::vector<std::uint32_t>;

/// The needle as the filter compares it: ASCII letters folded to lower case, every other
/// byte (and so every non-ASCII character) kept as it is.
std::string foldNeedle(std::string_view needle);

/// Whether `line` shows `needle` in one of the texts of its row: the previous time, the
/// time, the interval, the size, the rate or the file. ASCII letters match either case;
/// other characters match only themselves. A needle never matches across two texts.
bool lineMatches(const StatLine& line, std::string_view needle);

/// The indices of the lines that match `needle`; every line for an empty needle. A list
/// longer than 2^32 - 1 lines is filtered over its first 2^32 - 1.
RowIndices filterRows(const std::vector<StatLine>& lines, std::string_view needle);

/// The same result as `filterRows(lines, needle)`, found among `previous` alone, which must
/// be the result of filtering the same `lines` by a needle that `needle` contains. Typing one
/// more character into the filter narrows what is shown without scanning the whole list.
RowIndices narrowRows(const std::vector<StatLine>& lines, const RowIndices& previous,
                      std::string_view needle);

/// Whether the rows matching `needle` are always among those matching `previousNeedle`, so
/// that `narrowRows` may start from the previous result.
bool narrows(std::string_view previousNeedle, std::string_view needle);

/// The searchable texts of a list's rows, folded and laid end to end, so that filtering scans
/// one buffer instead of chasing six texts per line. Gives exactly the results of
/// `filterRows` and `narrowRows` for the lines it was built from, in a fraction of the time;
/// it costs about as many bytes as the texts hold. Build it again when the list changes.
class ListSearchIndex {
public:
    ListSearchIndex() = default;
    explicit ListSearchIndex(const std::vector<StatLine>& lines);

    /// Lines indexed: the list's, up to 2^32 - 1.
    std::size_t size() const { return starts_.empty() ? 0 : starts_.size() - 1; }
    RowIndices filter(std::string_view needle) const;
    /// `previous` must come from this index, for a needle that `needle` contains.
    RowIndices narrow(const RowIndices& previous, std::string_view needle) const;

private:
    std::string_view row(std::size_t i) const {
        return std::string_view(text_).substr(starts_[i], starts_[i + 1] - starts_[i]);
    }

    std::string text_;                 ///< per line, each of its texts folded and followed by a NUL
    std::vector<std::size_t> starts_;  ///< where each line begins in text_, and the end
};

}  // namespace quill
