#include "analysis/os.h"

#if (defined(__unix__) || defined(__APPLE__)) && !defined(QUILL_PORTABLE_OS)
#include <unistd.h>
#endif

#if defined(_POSIX_VERSION) && !defined(QUILL_PORTABLE_OS)
#define QUILL_OS_POSIX 1
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#else
#define QUILL_OS_POSIX 0
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <limits>
#include <mutex>
#include <system_error>
#endif

#if defined(__linux__) && QUILL_OS_POSIX
#define QUILL_OS_INOTIFY 1
#include <sys/inotify.h>
#else
#define QUILL_OS_INOTIFY 0
#include <chrono>
#include <thread>
#endif

#include <cerrno>
#include <cstring>
#include <ctime>

namespace quill::os {

#if QUILL_OS_POSIX

struct File::Handle {
    int fd = -1;
    ~Handle() {
        if (fd >= 0) ::close(fd);
    }
};

File::File(const std::string& path) : handle_(std::make_unique<Handle>()) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer and some devices wait for a line,
    // both possibly forever. Only a regular file is read, and back in blocking mode, so that no
    // file system can end a read early with EAGAIN.
    handle_->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (handle_->fd < 0) {
        error_ = std::strerror(errno);
        return;
    }
    struct stat info {};
    if (::fstat(handle_->fd, &info) != 0) {
        error_ = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        error_ = S_ISDIR(info.st_mode) ? "is a directory" : "not a regular file";
    } else if (const int flags = ::fcntl(handle_->fd, F_GETFL);
               flags < 0 || ::fcntl(handle_->fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        error_ = std::strerror(errno);
    } else {
        size_ = static_cast<std::uint64_t>(info.st_size);
        identity_ = {static_cast<std::uint64_t>(info.st_dev),
                     static_cast<std::uint64_t>(info.st_ino)};
    }
}

std::optional<FileStatus> statusOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileStatus{
        {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)},
        static_cast<std::uint64_t>(info.st_size)};
}

std::ptrdiff_t File::readAt(std::uint64_t offset, char* into, std::size_t size) const {
    if (!error_.empty()) return -EBADF;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n =
            ::pread(handle_->fd, into + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -errno;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::ptrdiff_t>(done);
}

void loadTimeZone() noexcept {
    // localtime_r need not read TZ again by itself.
    ::tzset();
}

std::int64_t utcOffsetAt(std::int64_t unixTime) noexcept {
    static_assert(sizeof(std::time_t) >= sizeof(std::int64_t), "time_t must hold int64");
    const auto t = static_cast<std::time_t>(unixTime);
    std::tm tm{};
    if (::localtime_r(&t, &tm) == nullptr) return 0;
    return static_cast<std::int64_t>(tm.tm_gmtoff);
}

#else

// One stream for every reader: positioning and reading are one step under the lock.
struct File::Handle {
    std::mutex mutex;
    std::ifstream stream;
};

File::File(const std::string& path) : handle_(std::make_unique<Handle>()) {
    // The kind is checked before opening, as opening a FIFO would wait for a writer.
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error) {
        error_ = error.message();
        return;
    }
    if (!std::filesystem::is_regular_file(status)) {
        error_ = std::filesystem::is_directory(status) ? "is a directory" : "not a regular file";
        return;
    }
    errno = 0;
    handle_->stream.open(path, std::ios::binary);
    if (!handle_->stream) {
        error_ = errno != 0 ? std::strerror(errno) : "cannot be opened";
        return;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        error_ = error.message();
    else
        size_ = size;
}

std::ptrdiff_t File::readAt(std::uint64_t offset, char* into, std::size_t size) const {
    if (!error_.empty()) return -EBADF;
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max())) return 0;
    const std::lock_guard lock(handle_->mutex);
    std::ifstream& stream = handle_->stream;
    stream.clear();
    if (!stream.seekg(static_cast<std::streamoff>(offset))) return -EIO;
    std::size_t done = 0;
    // In steps a std::streamsize holds.
    while (done < size && stream) {
        const std::size_t step =
            std::min<std::size_t>(size - done, std::numeric_limits<std::streamsize>::max());
        stream.read(into + done, static_cast<std::streamsize>(step));
        done += static_cast<std::size_t>(stream.gcount());
    }
    if (stream.bad()) return -EIO;
    return static_cast<std::ptrdiff_t>(done);
}

namespace {

// std::localtime shares one result between threads.
std::mutex localTimeMutex;

// Days from 1970-01-01 to a proleptic Gregorian date (Hinnant's days_from_civil).
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yoe = static_cast<unsigned>(year - era * 400);  // [0, 399]
    const unsigned doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;  // [0, 146096]
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

}  // namespace

void loadTimeZone() noexcept {
    // Standard C has no tzset, but std::localtime works as if it called it.
    const std::lock_guard lock(localTimeMutex);
    const std::time_t epoch = 0;
    (void)std::localtime(&epoch);
}

std::int64_t utcOffsetAt(std::int64_t unixTime) noexcept {
    if constexpr (sizeof(std::time_t) < sizeof(std::int64_t)) {
        if (unixTime < std::numeric_limits<std::time_t>::min() ||
            unixTime > std::numeric_limits<std::time_t>::max())
            return 0;
    }
    const auto t = static_cast<std::time_t>(unixTime);
    std::tm local{};
    {
        const std::lock_guard lock(localTimeMutex);
        const std::tm* shared = std::localtime(&t);
        if (shared == nullptr) return 0;
        local = *shared;
    }
    // The local clock's reading taken as UTC, less the instant itself, is the offset.
    const std::int64_t days =
        daysFromCivil(std::int64_t{local.tm_year} + 1900, static_cast<unsigned>(local.tm_mon + 1),
                      static_cast<unsigned>(local.tm_mday));
    return days * 86400 + local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec - unixTime;
}

std::optional<FileStatus> statusOf(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) return std::nullopt;
    return FileStatus{{}, size};
}

#endif

File::~File() = default;

#if QUILL_OS_INOTIFY

ChangeWaiter::ChangeWaiter(const std::string& path) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return;
    // The folder, not the file: it also tells of the file made anew, renamed over or removed,
    // which a watch on the file itself would miss once the file it watches is gone.
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    constexpr std::uint32_t kEvents = IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_MOVED_TO |
                                      IN_MOVED_FROM | IN_DELETE | IN_ATTRIB;
    if (::inotify_add_watch(fd_, folder.c_str(), kEvents) < 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

ChangeWaiter::~ChangeWaiter() {
    if (fd_ >= 0) ::close(fd_);
}

void ChangeWaiter::wait(int timeoutMs) {
    if (fd_ < 0) {
        ::poll(nullptr, 0, timeoutMs);
        return;
    }
    pollfd watched{fd_, POLLIN, 0};
    if (::poll(&watched, 1, timeoutMs) <= 0) return;
    // The events only wake the caller, who looks at the file itself: drain them.
    alignas(inotify_event) char events[4096];
    while (::read(fd_, events, sizeof events) > 0) {
    }
}

#else

ChangeWaiter::ChangeWaiter(const std::string&) {}
ChangeWaiter::~ChangeWaiter() = default;

void ChangeWaiter::wait(int timeoutMs) {
    (void)fd_;
    std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
}

#endif

std::size_t findBytes(std::string_view hay, std::string_view needle) noexcept {
#if QUILL_OS_POSIX && (defined(__linux__) || defined(__APPLE__) || defined(__FreeBSD__) || \
                       defined(__NetBSD__) || defined(__OpenBSD__))
    // These C libraries' memmem skips ahead by pairs of bytes; the standard library's search
    // checks each place the first byte occurs, and stalls on a common one.
    const void* hit = ::memmem(hay.data(), hay.size(), needle.data(), needle.size());
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - hay.data())
               : std::string_view::npos;
#else
    return hay.find(needle);
#endif
}

void adviseHugePages(void* begin, std::size_t bytes) noexcept {
#if QUILL_OS_POSIX && defined(MADV_HUGEPAGE)
    // Advice is a hint: where it is refused, the memory works as before.
    ::madvise(begin, bytes, MADV_HUGEPAGE);
#else
    (void)begin;
    (void)bytes;
#endif
}

}  // namespace quill::os
