#include "analysis/line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "records/line_decoder.h"

namespace quill {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

LineReader::LineReader(const std::string& path, std::size_t chunk) : chunk_(chunk ? chunk : 1) {
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
        reserve(chunk_);
    }
}

LineReader::~LineReader() {
    if (fd_ >= 0) ::close(fd_);
}

void LineReader::reserve(std::size_t capacity) {
    auto grown = std::make_unique_for_overwrite<char[]>(capacity + kLinePadding);
    // Whatever lies past the data is read by the decoder but never used; keep it defined.
    std::memset(grown.get(), 0, capacity + kLinePadding);
    if (buffer_) std::memcpy(grown.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    buffer_ = std::move(grown);
    capacity_ = capacity;
}

/// Reads more of the file behind the bytes not handed out yet; false at the end or on error.
bool LineReader::fill() {
    if (begin_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    // A line longer than the buffer: double it, so a huge line costs linear copying.
    if (end_ == capacity_) reserve(std::max(2 * capacity_, capacity_ + chunk_));
    for (;;) {
        const ssize_t n = ::read(fd_, buffer_.get() + end_, capacity_ - end_);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error_ = std::strerror(errno);
        if (n <= 0) return false;
        end_ += static_cast<std::size_t>(n);
        return true;
    }
}

bool LineReader::next(std::string_view& line) {
    if (!error_.empty()) return false;
    std::size_t searched = begin_;
    for (;;) {
        const char* data = buffer_.get();
        if (atStart_ && end_ - begin_ >= kByteOrderMark.size()) {
            // A byte-order mark would make the first line's object undecodable.
            if (std::string_view(data + begin_, kByteOrderMark.size()) == kByteOrderMark)
                begin_ += kByteOrderMark.size();
            atStart_ = false;
            searched = begin_;
        }
        const void* feed = std::memchr(data + searched, '\n', end_ - searched);
        if (feed) {
            atStart_ = false;  // a mark cannot hide in fewer bytes than a line feed ends
            const auto at = static_cast<std::size_t>(static_cast<const char*>(feed) - data);
            line = std::string_view(data + begin_, at - begin_);
            begin_ = at + 1;
            searched = begin_;
            if (!line.empty()) return true;
            continue;
        }
        if (atEnd_) {
            if (begin_ == end_) return false;
            line = std::string_view(data + begin_, end_ - begin_);
            begin_ = end_;
            return true;
        }
        const std::size_t pending = end_ - begin_;
        if (!fill()) {
            if (!error_.empty()) return false;
            atEnd_ = true;
            atStart_ = false;
        }
        searched = begin_ + pending;
    }
}

}  // namespace quill
