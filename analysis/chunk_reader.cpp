#include "analysis/chunk_reader.h"

#include <algorithm>
#include <cstring>

#include "records/line_decoder.h"

namespace quill {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

/// Bytes read beyond a chunk's end in the first go (at most the chunk's size again), so that
/// its last line usually needs no second read.
constexpr std::size_t kLookahead = 16 * 1024;

struct Filled {
    std::size_t size = 0;
    bool reachedEnd = false;
    int error = 0;
};

/// Reads the chunk's bytes from `from` on, growing the buffer until it holds a line feed at or
/// after index `lastStart` or the data ends.
Filled fill(const ByteSource& source, std::uint64_t from, std::size_t want, std::size_t lastStart,
            PaddedBuffer& buffer) {
    Filled filled;
    std::size_t searched = 0;
    for (;;) {
        buffer.reserve(want, filled.size);
        const std::ptrdiff_t n =
            source.readAt(from + filled.size, buffer.data() + filled.size, want - filled.size);
        if (n < 0) return {0, false, static_cast<int>(-n)};
        filled.size += static_cast<std::size_t>(n);
        // Whatever lies past the data is read by the decoder but never used; keep it defined.
        std::memset(buffer.data() + filled.size, 0, kLinePadding);
        if (filled.size < want) {
            filled.reachedEnd = true;
            return filled;
        }
        const std::size_t start = std::max(searched, lastStart);
        if (start < filled.size &&
            std::memchr(buffer.data() + start, '\n', filled.size - start) != nullptr)
            return filled;
        searched = filled.size;
        want = std::max(2 * want, want + kLookahead);  // a huge line costs linear copying
    }
}

}  // namespace

void PaddedBuffer::reserve(std::size_t size, std::size_t keep) {
    if (size <= capacity_) return;
    // Not zeroed: every byte is written before it is read (make_unique_for_overwrite, which
    // says so, is missing from libc++ 14).
    std::unique_ptr<char[]> grown(new char[size + kLinePadding]);
    if (keep > 0) std::memcpy(grown.get(), bytes_.get(), keep);
    bytes_ = std::move(grown);
    capacity_ = size;
}

ChunkText readChunk(const ByteSource& source, std::uint64_t begin, std::uint64_t end,
                    PaddedBuffer& buffer) {
    if (end <= begin) return {};
    // One byte before the chunk tells whether a line starts at its first byte.
    const std::uint64_t from = begin == 0 ? 0 : begin - 1;
    const std::size_t span = static_cast<std::size_t>(end - from);
    // A line feed at index >= lastStart ends the chunk's last line: one before it starts a line
    // within the chunk.
    const std::size_t lastStart = span - 1;
    // No more than the source holds, as far as it knows: a small file then costs a small
    // buffer. One byte more shows whether it grew since.
    const std::uint64_t known = source.sizeHint() > from ? source.sizeHint() - from + 1 : 1;
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(span + std::min(span, kLookahead), known));
    const Filled filled = fill(source, from, want, lastStart, buffer);
    if (filled.error != 0) return {{}, false, filled.error};

    const std::string_view data(buffer.data(), filled.size);
    // Later chunks hold lines only where data lies past this chunk's last line.
    const bool endsHere = filled.reachedEnd && data.size() <= span;
    std::size_t first = 0;
    if (begin == 0) {
        if (data.starts_with(kByteOrderMark)) first = kByteOrderMark.size();
    } else {
        const std::size_t feed = data.find('\n');
        if (feed == std::string_view::npos || feed >= lastStart) return {{}, endsHere, 0};
        first = feed + 1;
    }
    if (first >= data.size()) return {{}, filled.reachedEnd, 0};
    const std::size_t feed = data.find('\n', std::max(first, lastStart));
    const std::size_t last = feed == std::string_view::npos ? data.size() : feed + 1;
    return {data.substr(first, last - first),
            endsHere || (filled.reachedEnd && last == data.size()), 0};
}

}  // namespace quill
