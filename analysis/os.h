#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Every call the core makes to the operating system, in one place: the system's own calls on
// POSIX systems, and the standard library's nearest equivalents elsewhere (or everywhere, with
// QUILL_PORTABLE_OS defined, as the tests build it once to keep that code working).

namespace quill::os {

/// What tells files apart: a name can come to stand for another file, and the same file can
/// move to another name. All zero where the system does not say.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

/// A file as its name finds it now.
struct FileStatus {
    FileIdentity identity;
    std::uint64_t size = 0;
};

/// The file `path` names now; empty when there is none (or it cannot be looked at).
std::optional<FileStatus> statusOf(const std::string& path);

/// Waits for a sign that the file at `path`, or its folder, changed: at most `timeoutMs`, and
/// the whole time where the system gives no such signs. A sign is a hint, never a promise, so
/// the caller looks at the file after every wait.
class ChangeWaiter {
public:
    explicit ChangeWaiter(const std::string& path);
    ~ChangeWaiter();
    ChangeWaiter(const ChangeWaiter&) = delete;
    ChangeWaiter& operator=(const ChangeWaiter&) = delete;

    void wait(int timeoutMs);

private:
    int fd_ = -1;
};

/// A file opened for reading from any position, by several threads at once. Only a regular
/// file is opened: opening never waits, even for a FIFO or a device, which get an error.
class File {
public:
    explicit File(const std::string& path);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    /// Copies up to `size` bytes from `offset` into `into`. Returns how many were copied, fewer
    /// than `size` only at the end of the file, or -errno when reading failed.
    std::ptrdiff_t readAt(std::uint64_t offset, char* into, std::size_t size) const;

    /// The size when the file was opened.
    std::uint64_t size() const noexcept { return size_; }
    /// Which file was opened, whatever its name stands for since.
    const FileIdentity& identity() const noexcept { return identity_; }
    /// Why the file cannot be read, as the system words it; empty when it can.
    const std::string& error() const noexcept { return error_; }

private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
    std::uint64_t size_ = 0;
    FileIdentity identity_;
    std::string error_;
};

/// Makes the local-time calls below follow the time zone as `TZ` names it now.
void loadTimeZone() noexcept;

/// Seconds the local time zone is ahead of UTC at `unixTime`; 0 where the C library cannot
/// represent that instant.
std::int64_t utcOffsetAt(std::int64_t unixTime) noexcept;

/// Where `needle` first occurs in `hay`, or std::string_view::npos.
std::size_t findBytes(std::string_view hay, std::string_view needle) noexcept;

/// Asks that the pages of [begin, begin + bytes), which must be whole pages, be backed by huge
/// pages. Only a hint: where the system has no such thing or refuses, nothing changes.
void adviseHugePages(void* begin, std::size_t bytes) noexcept;

}  // namespace quill::os
