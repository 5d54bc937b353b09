#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace quill {

/// Appends `value` as a JSON string literal, quotes included. `value` must be valid UTF-8:
/// bytes from 0x80 up are copied as they are.
void appendJsonString(std::string& out, std::string_view value);

/// Appends `value` as a JSON number: integral values below 1e21 in plain decimal digits, others
/// in their shortest round-trip form, and `null` for infinities and NaN, which JSON cannot say.
void appendJsonNumber(std::string& out, double value);

void appendJsonInteger(std::string& out, std::int64_t value);

/// Writes JSON Lines, one flat object per line, through one buffer that goes out in large
/// blocks. Keys are written as given, unescaped: callers pass literals.
///
/// After a failed write the rest of the output is dropped, since a stream with a hole in it
/// is worse than a short one; `finish` then reports the failure.
class JsonLineWriter {
public:
    explicit JsonLineWriter(std::FILE* out, std::size_t blockSize = kDefaultBlockSize);
    JsonLineWriter(const JsonLineWriter&) = delete;
    JsonLineWriter& operator=(const JsonLineWriter&) = delete;

    JsonLineWriter& beginObject();
    JsonLineWriter& text(std::string_view key, std::string_view value);
    JsonLineWriter& integer(std::string_view key, std::int64_t value);
    JsonLineWriter& number(std::string_view key, double value);
    /// Closes the object and its line.
    void endObject();

    /// Writes what is left and flushes the stream. Returns false when any write failed, with
    /// the reason in `error()`.
    bool finish();
    const std::string& error() const { return error_; }

    static constexpr std::size_t kDefaultBlockSize = std::size_t{1} << 20;

private:
    void key(std::string_view name);
    void writeBuffer();
    void recordFailure();

    std::FILE* out_;
    std::size_t blockSize_;
    std::string buffer_;
    std::string error_;
    bool firstMember_ = true;
};

}  // namespace quill
