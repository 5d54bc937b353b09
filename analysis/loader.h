#pragma once

#include <cstddef>
#include <string>
#include <string_view>

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

}  // namespace quill
