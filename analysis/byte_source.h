#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/os.h"

namespace quill {

/// The bytes a load reads: read from any position, by several threads at once.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    /// Copies up to `size` bytes from `offset` into `into`. Returns how many were copied, fewer
    /// than `size` only at the end of the data, or -errno when reading failed.
    virtual std::ptrdiff_t readAt(std::uint64_t offset, char* into, std::size_t size) const = 0;

    /// The size when the source was opened: a plan, since a file can change while it is read.
    virtual std::uint64_t sizeHint() const = 0;

    /// Why the source cannot be read at all; empty when it can.
    virtual const std::string& error() const = 0;
};

/// A local file. Only regular files are read: opening never waits, even for a FIFO or a
/// device, and such a file gets an error instead.
class FileSource final : public ByteSource {
public:
    explicit FileSource(const std::string& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::ptrdiff_t readAt(std::uint64_t offset, char* into, std::size_t size) const override;
    std::uint64_t sizeHint() const override { return file_.size(); }
    const std::string& error() const override { return file_.error(); }
    const os::FileIdentity& identity() const noexcept { return file_.identity(); }

private:
    os::File file_;
};

/// The bytes [begin, end) of another source, as a source of their own.
class WindowSource final : public ByteSource {
public:
    WindowSource(const ByteSource& inner, std::uint64_t begin, std::uint64_t end)
        : inner_(inner), begin_(begin), end_(std::max(begin, end)) {}

    std::ptrdiff_t readAt(std::uint64_t offset, char* into, std::size_t size) const override;
    std::uint64_t sizeHint() const override { return end_ - begin_; }
    const std::string& error() const override { return inner_.error(); }

private:
    const ByteSource& inner_;
    std::uint64_t begin_;
    std::uint64_t end_;
};

/// Bytes already in memory, which must outlive the source.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}

    std::ptrdiff_t readAt(std::uint64_t offset, char* into, std::size_t size) const override;
    std::uint64_t sizeHint() const override { return bytes_.size(); }
    const std::string& error() const override { return error_; }

private:
    std::string_view bytes_;
    std::string error_;  ///< always empty
};

}  // namespace quill
