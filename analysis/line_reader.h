#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace quill {

/// Reads a file's lines: cut at every line feed, empty pieces dropped, every other byte
/// (carriage returns too) kept, a leading UTF-8 byte-order mark skipped. The file is read in
/// chunks into one reused buffer, so a file of any size costs memory for its longest line only.
class LineReader {
public:
    static constexpr std::size_t kDefaultChunk = std::size_t{1} << 20;

    /// Opens `path`: a regular file, or error() says why not.
    explicit LineReader(const std::string& path, std::size_t chunk = kDefaultChunk);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    /// The next line, valid until the next call and followed in memory by at least
    /// kLinePadding readable bytes. False at the end of the file or on an error.
    bool next(std::string_view& line);

    /// Why the file could not be opened or read; empty while all is well.
    const std::string& error() const { return error_; }

private:
    bool fill();
    void reserve(std::size_t capacity);

    int fd_ = -1;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;  ///< bytes of data the buffer holds, padding not counted
    std::size_t begin_ = 0;     ///< first byte not handed out yet
    std::size_t end_ = 0;       ///< end of the bytes read
    std::size_t chunk_;
    bool atEnd_ = false;
    bool atStart_ = true;
    std::string error_;
};

}  // namespace quill
