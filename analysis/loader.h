#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

/// The open panel's result code for a confirmed choice; anything else is a cancel.
inline constexpr int kResponseOK = 1;

/// Where the open panel's choice lives: a local file path, or a location that is not a local
/// file (which a load ignores).
struct FileLocation {
    std::string path;
    bool isLocalFile = true;

    static FileLocation local(std::string path) { return {std::move(path), true}; }
    static FileLocation remote(std::string url) { return {std::move(url), false}; }
};

/// The last component of a path: "/a/b/c.jsonl" gives "c.jsonl", "/a/b/" gives "b", "/" gives
/// "/".
std::string lastPathComponent(std::string_view path);

enum class LoadStatus {
    Ignored,     ///< cancelled, no location, or not a local file: nothing changed
    ReadFailed,  ///< the file could not be read: the name changed, the list was emptied
    Loaded,
};

struct LoadOutcome {
    LoadStatus status = LoadStatus::Ignored;
    std::string error;  ///< why the read failed, for ReadFailed
};

/// A whole file in memory, followed by padding bytes so that any line inside it can be handed
/// to the line decoder in place.
class PaddedBuffer {
public:
    PaddedBuffer() = default;
    explicit PaddedBuffer(std::size_t size);
    char* data() { return data_.get(); }
    std::string_view view() const { return {data_.get(), size_}; }
    std::size_t size() const { return size_; }

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
};

struct ReadResult {
    PaddedBuffer bytes;
    std::string error;  ///< empty on success
    bool ok() const { return error.empty(); }
};

/// Reads a whole regular file. Fails for a missing, unreadable or non-regular file, or one too
/// large for memory.
ReadResult readWholeFile(const std::string& path);

/// The lines of `text`: cut at every line feed, empty pieces dropped, every other character
/// (carriage returns too) kept.
std::vector<std::string_view> cutLines(std::string_view text);

}  // namespace quill
