#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "analysis/byte_source.h"

namespace quill {

/// A growable buffer whose data is always followed by kLinePadding defined bytes, as the
/// decoder needs after every line it reads.
class PaddedBuffer {
public:
    char* data() noexcept { return bytes_.get(); }
    std::size_t capacity() const noexcept { return capacity_; }
    /// Makes room for `size` bytes of data, keeping the first `keep`.
    void reserve(std::size_t size, std::size_t keep);

private:
    std::unique_ptr<char[]> bytes_;
    std::size_t capacity_ = 0;
};

/// The lines of one chunk of a source, read in one piece.
struct ChunkText {
    std::string_view text;    ///< the lines, each ended by a line feed except perhaps the last
    bool reachedEnd = false;  ///< the data ended within or before this chunk
    int error = 0;            ///< errno of a failed read; the text is then empty
};

/// Reads the lines that start at a byte in [begin, end) of `source`, whole, however far they
/// run past `end`. A line starts at byte 0 and after every line feed; a UTF-8 byte-order mark
/// at byte 0 is left out. Cutting a source into adjacent ranges this way hands out every byte
/// once, so chunks can be read and decoded independently, in any order.
ChunkText readChunk(const ByteSource& source, std::uint64_t begin, std::uint64_t end,
                    PaddedBuffer& buffer);

/// Calls `visit` with each line of `text`, empty ones left out.
template <typename Visit>
void forEachLine(std::string_view text, Visit&& visit) {
    while (!text.empty()) {
        const std::size_t feed = text.find('\n');
        const std::string_view line = text.substr(0, feed);
        if (!line.empty()) visit(line);
        if (feed == std::string_view::npos) break;
        text.remove_prefix(feed + 1);
    }
}

}  // namespace quill
