#include "analysis/stat_follow.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

namespace quill {

namespace {

/// Bytes kept of each end of what was taken, to tell a file rewritten in place.
constexpr std::size_t kEdgeBytes = 256;
/// Bytes read at a time when looking back for the last line feed.
constexpr std::size_t kBackStep = 64 * 1024;

/// The bytes [begin, begin + size) of `source`; empty when they cannot all be read.
std::optional<std::string> readExactly(const ByteSource& source, std::uint64_t begin,
                                       std::size_t size) {
    std::string bytes(size, '\0');
    if (source.readAt(begin, bytes.data(), size) != static_cast<std::ptrdiff_t>(size))
        return std::nullopt;
    return bytes;
}

/// Where the last complete line in [from, end) of `source` ends: just after its last line
/// feed, or `from` when there is none. Reads back from the end, so that the cost is the
/// unfinished line's, whatever the size of the rest.
std::optional<std::uint64_t> lastLineEnd(const ByteSource& source, std::uint64_t from,
                                         std::uint64_t end) {
    std::string block;
    while (end > from) {
        const std::uint64_t begin = end - std::min<std::uint64_t>(end - from, kBackStep);
        block.resize(static_cast<std::size_t>(end - begin));
        if (source.readAt(begin, block.data(), block.size()) !=
            static_cast<std::ptrdiff_t>(block.size()))
            return std::nullopt;
        const std::size_t feed = block.rfind('\n');
        if (feed != std::string::npos) return begin + feed + 1;
        end = begin;
    }
    return from;
}

}  // namespace

StatLoad StatFollower::load(const std::string& path, LoadControl* control,
                            const DecodeOptions& options) {
    std::string name(lastPathComponent(path));
    if (control && control->cancelled())
        return {LoadStatus::Ignored, std::move(name), nullptr, {}, {}};
    const FileSource file(path);
    if (!file.error().empty())
        return {LoadStatus::ReadFailed, std::move(name), nullptr, file.error(), {}};
    std::shared_ptr<StatFollower> follower(new StatFollower(path, options));
    follower->identity_ = file.identity();
    const std::optional<std::uint64_t> end = lastLineEnd(file, 0, file.sizeHint());
    if (!end) return {LoadStatus::ReadFailed, std::move(name), nullptr, std::strerror(EIO), {}};
    StatLoad load = readStatSource(std::move(name), WindowSource(file, 0, *end), follower->builder_,
                                   control, options);
    follower->offset_ = *end;
    if (load.status == LoadStatus::Loaded && follower->keepEdges(file))
        load.follower = std::move(follower);
    return load;
}

bool StatFollower::keepEdges(const ByteSource& source) {
    const auto edge = static_cast<std::size_t>(std::min<std::uint64_t>(offset_, kEdgeBytes));
    auto first = readExactly(source, 0, edge);
    auto last = readExactly(source, offset_ - edge, edge);
    if (!first || !last) return false;
    head_ = std::move(*first);
    tail_ = std::move(*last);
    return true;
}

bool StatFollower::edgesMatch(const ByteSource& source) const {
    return readExactly(source, 0, head_.size()) == head_ &&
           readExactly(source, offset_ - tail_.size(), tail_.size()) == tail_;
}

FollowStep StatFollower::spend(FollowChange change) {
    spent_ = change;
    return {change, nullptr, {}};
}

FollowStep StatFollower::poll() {
    if (spent_ != FollowChange::None) return {spent_, nullptr, {}};
    // The name is looked up before anything is opened: a file gone or replaced is told apart
    // from one that merely cannot be read.
    const std::optional<os::FileStatus> status = os::statusOf(path_);
    if (!status) return {FollowChange::Vanished, nullptr, {}};
    if (status->identity != identity_) return spend(FollowChange::Replaced);
    if (status->size < offset_) return spend(FollowChange::Truncated);
    const FileSource file(path_);
    if (!file.error().empty()) {
        if (!os::statusOf(path_)) return {FollowChange::Vanished, nullptr, {}};
        return {FollowChange::Failed, nullptr, file.error()};
    }
    if (file.identity() != identity_) return spend(FollowChange::Replaced);
    if (file.sizeHint() < offset_) return spend(FollowChange::Truncated);
    if (!edgesMatch(file)) return spend(FollowChange::Rewritten);
    return takeAppended(file);
}

FollowStep StatFollower::takeAppended(const FileSource& file) {
    const std::optional<std::uint64_t> end = lastLineEnd(file, offset_, file.sizeHint());
    if (!end) return {FollowChange::Failed, nullptr, std::strerror(EIO)};
    if (*end == offset_) return {};
    // From the line feed before the new lines on: the window then starts as a continuation,
    // and a byte-order mark among the new bytes is taken as a load of the whole file takes it.
    const std::uint64_t from = offset_ == 0 ? 0 : offset_ - 1;
    const DecodeResult result = decodeRecords(
        WindowSource(file, from, *end), [&](ChunkBatch batch) { builder_.append(batch.lines); },
        options_);
    // Lines already appended cannot be taken back: a failed read starts the file afresh.
    if (!result.error.empty()) return spend(FollowChange::Rewritten);
    // The file may have been cut and written anew while the new bytes were read.
    if (!edgesMatch(file)) return spend(FollowChange::Rewritten);
    offset_ = *end;
    if (!keepEdges(file)) return spend(FollowChange::Rewritten);
    return {FollowChange::Appended, builder_.snapshot(), {}};
}

}  // namespace quill
