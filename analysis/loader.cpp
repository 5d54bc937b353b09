#include "analysis/loader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "analysis/derivation.h"
#include "analysis/quillstat.h"
#include "records/line_decoder.h"
#include "records/utf8.h"

namespace quill {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

class FileHandle {
public:
    explicit FileHandle(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~FileHandle() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

std::string systemError(int error) { return std::strerror(error); }

/// Reads exactly `size` bytes, or reports the error; a file that shrinks while read fails.
std::string readFully(int fd, char* out, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, out + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return systemError(errno);
        if (n == 0) return "the file shrank while it was read";
        done += static_cast<std::size_t>(n);
    }
    return {};
}

}  // namespace

std::string lastPathComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    if (path == "/") return std::string(path);
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

PaddedBuffer::PaddedBuffer(std::size_t size)
    : data_(std::make_unique_for_overwrite<char[]>(size + kLinePadding)), size_(size) {
    std::memset(data_.get() + size, 0, kLinePadding);
}

ReadResult readWholeFile(const std::string& path) {
    ReadResult result;
    FileHandle file(path);
    if (file.fd() < 0) return {{}, systemError(errno)};
    struct stat info {};
    if (::fstat(file.fd(), &info) != 0) return {{}, systemError(errno)};
    if (!S_ISREG(info.st_mode)) return {{}, S_ISDIR(info.st_mode) ? "is a directory" : "not a regular file"};
    const auto size = static_cast<std::size_t>(info.st_size);
    try {
        result.bytes = PaddedBuffer(size);
    } catch (const std::bad_alloc&) {
        return {{}, "the file does not fit in memory"};
    }
    result.error = readFully(file.fd(), result.bytes.data(), size);
    return result;
}

std::vector<std::string_view> cutLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const void* found = std::memchr(text.data() + start, '\n', text.size() - start);
        const std::size_t end =
            found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data()) : text.size();
        if (end > start) lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

LoadOutcome Quillstat::loadStatFile(int response, const std::optional<FileLocation>& url) {
    if (response != kResponseOK || !url || !url->isLocalFile) return {};
    setFileName(lastPathComponent(url->path));
    setStatList({});
    setRatesPoints({});
    ReadResult read = readWholeFile(url->path);
    if (!read.ok()) return {LoadStatus::ReadFailed, std::move(read.error)};
    loadText(read.bytes.view());
    buildSeries();
    return {LoadStatus::Loaded, {}};
}

/// `text` must be followed by kLinePadding readable bytes.
void Quillstat::loadText(std::string_view text) {
    // A byte-order mark would make the first line's object undecodable and lose its record.
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    const std::vector<std::string_view> lines = cutLines(text);
    // Valid files, the common case, are decoded in place; otherwise each ill-formed line is
    // repaired on its own, which is the same as repairing the whole text first since a line
    // feed never belongs to a multi-byte sequence.
    const bool wholeTextValid = isValidUtf8(text);
    statList_.reserve(lines.size());
    LineDecoder decoder;
    Derivation derivation;
    std::string repaired;
    for (std::string_view line : lines) {
        if (!wholeTextValid && !isValidUtf8(line)) {
            repaired.clear();
            appendRepairedUtf8(line, repaired);
            const std::size_t length = repaired.size();
            repaired.append(kLinePadding, '\0');
            line = std::string_view(repaired.data(), length);
        }
        StatEntry entry;
        if (decoder.decodePadded(line, entry)) deriveStatLine(std::move(entry), derivation);
    }
}

}  // namespace quill
