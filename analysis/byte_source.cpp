#include "analysis/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quill {

FileSource::FileSource(const std::string& path) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer and some devices wait for a line,
    // both possibly forever. Only a regular file is read, and back in blocking mode, so that no
    // file system can end a read early with EAGAIN.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) {
        error_ = std::strerror(errno);
        return;
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        error_ = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        error_ = S_ISDIR(info.st_mode) ? "is a directory" : "not a regular file";
    } else if (const int flags = ::fcntl(fd_, F_GETFL);
               flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        error_ = std::strerror(errno);
    } else {
        size_ = static_cast<std::uint64_t>(info.st_size);
    }
}

FileSource::~FileSource() {
    if (fd_ >= 0) ::close(fd_);
}

std::ptrdiff_t FileSource::readAt(std::uint64_t offset, char* into, std::size_t size) const {
    if (!error_.empty()) return -EBADF;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd_, into + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -errno;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::ptrdiff_t>(done);
}

std::ptrdiff_t MemorySource::readAt(std::uint64_t offset, char* into, std::size_t size) const {
    if (offset >= bytes_.size()) return 0;
    const std::size_t n = std::min<std::uint64_t>(size, bytes_.size() - offset);
    std::memcpy(into, bytes_.data() + offset, n);
    return static_cast<std::ptrdiff_t>(n);
}

}  // namespace quill
