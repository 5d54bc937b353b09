#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "analysis/os.h"
#include "analysis/record_decoding.h"
#include "analysis/stat_load.h"
#include "analysis/table_builder.h"

namespace quill {

/// What a look at a followed file found.
enum class FollowChange : std::uint8_t {
    None,       ///< nothing to take in: no new bytes, or only part of a line
    Appended,   ///< complete lines were added, and taken in
    Truncated,  ///< the file is shorter than the bytes taken: read it again
    Replaced,   ///< the name stands for another file now: read it again
    Rewritten,  ///< bytes already taken are no longer the same: read it again
    Vanished,   ///< nothing stands under the name; the lines taken stay
    Failed,     ///< the file is there but could not be read
};

/// Whether `change` means the file must be read again from its start.
constexpr bool needsReload(FollowChange change) noexcept {
    return change == FollowChange::Truncated || change == FollowChange::Replaced ||
           change == FollowChange::Rewritten;
}

struct FollowStep {
    FollowChange change = FollowChange::None;
    /// For Appended: every line so far, the lines before included (the table `extends` the
    /// one handed out before).
    std::shared_ptr<const StatTable> table;
    std::string error;  ///< why, for Failed
};

/// A statistics file kept up with as it grows. Only the bytes added since the last look are
/// read, and only up to the last line feed: a line still being written waits for its end.
/// The lines are derived as a load of the whole file would derive them, each category's
/// previous line carrying on across the additions.
///
/// The file is opened for reading only, and only while it is looked at: it is never held,
/// locked or changed. Looks may run on any thread, one at a time.
class StatFollower {
public:
    /// Reads the file at `path` as `readStatPath` does, but only up to the end of its last
    /// complete line; a load that reads it carries the follower that takes up from there.
    static StatLoad load(const std::string& path, LoadControl* control = nullptr,
                         const DecodeOptions& options = {});

    /// Looks at the file once and takes in the complete lines added since the last look.
    /// After a change that needs a reload, the follower is spent and says so again.
    FollowStep poll();

    const std::string& path() const noexcept { return path_; }
    /// Where the lines taken in end.
    std::uint64_t offset() const noexcept { return offset_; }

private:
    StatFollower(std::string path, const DecodeOptions& options)
        : path_(std::move(path)), options_(options) {}
    bool edgesMatch(const ByteSource& source) const;
    bool keepEdges(const ByteSource& source);
    FollowStep spend(FollowChange change);
    FollowStep takeAppended(const FileSource& source);

    std::string path_;
    DecodeOptions options_;
    os::FileIdentity identity_;
    std::uint64_t offset_ = 0;
    /// The first and the last bytes taken, as they were read: a file rewritten in place is
    /// told by them no longer matching.
    std::string head_;
    std::string tail_;
    StatTableBuilder builder_;
    FollowChange spent_ = FollowChange::None;
};

}  // namespace quill
