#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/stat_table.h"

namespace quill {

/// Indices into a list of display lines, in list order.
using RowIndices = std::vector<std::uint32_t>;

/// The needle as the filter compares it: ASCII letters folded to lower case, every other
/// byte (and so every non-ASCII character) kept as it is.
std::string foldNeedle(std::string_view needle);

/// Whether the rows matching `needle` are always among those matching `previousNeedle`, so
/// that `narrowRows` may start from the previous result.
bool narrows(std::string_view previousNeedle, std::string_view needle);

/// The searchable texts of a list's rows, folded and laid end to end, so that filtering scans
/// one buffer. A line matches a needle when one of the texts of its row contains it: the
/// previous time, the time, the interval, the size, the rate or the file. ASCII letters match
/// either case; other characters match only themselves; a needle never matches across two
/// texts. It costs about as many bytes as the texts hold. Build it again when the list changes.
class ListSearchIndex {
public:
    ListSearchIndex() = default;
    explicit ListSearchIndex(const StatTable& table);

    /// Lines indexed: the list's, up to 2^32 - 1.
    std::size_t size() const { return starts_.empty() ? 0 : starts_.size() - 1; }
    RowIndices filter(std::string_view needle) const;
    /// The same result as `filter(needle)`, found among `previous` alone, which must come from
    /// this index for a needle that `needle` contains: typing one more character into the
    /// filter narrows what is shown without scanning the whole list.
    RowIndices narrow(const RowIndices& previous, std::string_view needle) const;

private:
    std::string_view row(std::size_t i) const {
        return std::string_view(text_).substr(starts_[i], starts_[i + 1] - starts_[i]);
    }

    std::string text_;                 ///< per line, each of its texts folded and followed by a NUL
    std::vector<std::size_t> starts_;  ///< where each line begins in text_, and the end
};

}  // namespace quill
