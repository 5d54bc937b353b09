#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "analysis/byte_source.h"
#include "analysis/record_decoding.h"
#include "analysis/stat_table.h"

namespace quill {

class StatFollower;
class StatTableBuilder;

/// The last component of a path, trailing slashes ignored: "/a/b/c.jsonl" gives "c.jsonl",
/// "/usr/sbin/" gives "sbin". A path with no component ("", "/", "//") is given back whole.
std::string_view lastPathComponent(std::string_view path) noexcept;

enum class LoadStatus {
    Ignored,     ///< cancelled: nothing changed
    ReadFailed,  ///< the file could not be read: the name changed, the list was emptied
    Loaded,
};

/// A file read into a table, ready to go into the model in one step. Made on any thread.
struct StatLoad {
    LoadStatus status = LoadStatus::Ignored;
    std::string fileName;
    std::shared_ptr<const StatTable> table;  ///< the lines; empty unless Loaded
    std::string error;                       ///< why reading failed, for ReadFailed
    /// Takes up where the load ended, for a load made to follow the file.
    std::shared_ptr<StatFollower> follower;
};

/// Reads and decodes `source` as the content of a file called `name`, on the calling thread
/// and as many decoding threads as there are cores. `control`, when given, follows the bytes
/// taken and can cancel the load from another thread.
StatLoad readStatSource(std::string name, const ByteSource& source, LoadControl* control = nullptr,
                        const DecodeOptions& options = {});
/// The same, with the lines appended to `builder`, which the table then extends.
StatLoad readStatSource(std::string name, const ByteSource& source, StatTableBuilder& builder,
                        LoadControl* control = nullptr, const DecodeOptions& options = {});
/// The file at `path`, named by its last component.
StatLoad readStatPath(const std::string& path, LoadControl* control = nullptr);

}  // namespace quill
