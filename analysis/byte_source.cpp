#include "analysis/byte_source.h"

#include <algorithm>
#include <cstring>

namespace quill {

FileSource::FileSource(const std::string& path) : file_(path) {}

FileSource::~FileSource() = default;

std::ptrdiff_t FileSource::readAt(std::uint64_t offset, char* into, std::size_t size) const {
    return file_.readAt(offset, into, size);
}

std::ptrdiff_t MemorySource::readAt(std::uint64_t offset, char* into, std::size_t size) const {
    if (offset >= bytes_.size()) return 0;
    const std::size_t n = std::min<std::uint64_t>(size, bytes_.size() - offset);
    std::memcpy(into, bytes_.data() + offset, n);
    return static_cast<std::ptrdiff_t>(n);
}

std::ptrdiff_t WindowSource::readAt(std::uint64_t offset, char* into, std::size_t size) const {
    if (offset >= sizeHint()) return 0;
    const std::size_t n = std::min<std::uint64_t>(size, sizeHint() - offset);
    return inner_.readAt(begin_ + offset, into, n);
}

}  // namespace quill
