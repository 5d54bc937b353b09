#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Every call the core makes to the operating system, in one place: the system's own calls on
// POSIX systems, and the standard library's nearest equivalents elsewhere (or everywhere, with
// QUILL_PORTABLE_OS defined, as the tests build it once to keep that code working).

namespace quill::os {

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
    /// Why the file cannot be read, as the system words it; empty when it can.
    const std::string& error() const noexcept { return error_; }

private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
    std::uint64_t size_ = 0;
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
