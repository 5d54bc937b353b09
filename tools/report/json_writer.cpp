#include "tools/report/json_writer.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

namespace quill {

namespace {

/// For each byte, the letter of its short escape, 'u' for a \u00XX escape, or 0 when it is
/// written as it is.
constexpr std::array<char, 256> makeEscapeTable() {
    std::array<char, 256> table{};
    for (std::size_t c = 0; c < 0x20; ++c) table[c] = 'u';
    table['\b'] = 'b';
    table['\t'] = 't';
    table['\n'] = 'n';
    table['\f'] = 'f';
    table['\r'] = 'r';
    table['"'] = '"';
    table['\\'] = '\\';
    return table;
}

constexpr std::array<char, 256> kEscape = makeEscapeTable();

char escapeOf(char c) {
    return kEscape[static_cast<unsigned char>(c)];
}

void appendEscape(std::string& out, char c) {
    const char letter = escapeOf(c);
    if (letter != 'u') {
        const char pair[2] = {'\\', letter};
        out.append(pair, 2);
        return;
    }
    constexpr std::string_view kHex = "0123456789abcdef";
    const auto byte = static_cast<unsigned char>(c);
    const char sequence[6] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0xF]};
    out.append(sequence, 6);
}

// Past 1e21 plain digits stop being a sensible way to write a double, and below it every
// integral double has at most 21 digits.
constexpr double kPlainDigitsLimit = 1e21;

}  // namespace

void appendJsonString(std::string& out, std::string_view value) {
    out.push_back('"');
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (escapeOf(value[i]) == 0) continue;
        out.append(value.data() + runStart, i - runStart);
        appendEscape(out, value[i]);
        runStart = i + 1;
    }
    out.append(value.data() + runStart, value.size() - runStart);
    out.push_back('"');
}

void appendJsonNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out.append("null");
        return;
    }
    char buffer[64];
    const bool plain = std::fabs(value) < kPlainDigitsLimit && std::trunc(value) == value;
    const auto result =
        plain ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
              : std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void appendJsonInteger(std::string& out, std::int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

JsonLineWriter::JsonLineWriter(std::FILE* out, std::size_t blockSize)
    : out_(out), blockSize_(blockSize) {
    // Room for one more line past the block size, so that appending seldom reallocates.
    buffer_.reserve(blockSize_ + blockSize_ / 4);
}

JsonLineWriter& JsonLineWriter::beginObject() {
    buffer_.push_back('{');
    firstMember_ = true;
    return *this;
}

void JsonLineWriter::key(std::string_view name) {
    if (!firstMember_) buffer_.push_back(',');
    firstMember_ = false;
    buffer_.push_back('"');
    buffer_.append(name);
    buffer_.append("\":", 2);
}

JsonLineWriter& JsonLineWriter::text(std::string_view name, std::string_view value) {
    key(name);
    appendJsonString(buffer_, value);
    return *this;
}

JsonLineWriter& JsonLineWriter::integer(std::string_view name, std::int64_t value) {
    key(name);
    appendJsonInteger(buffer_, value);
    return *this;
}

JsonLineWriter& JsonLineWriter::number(std::string_view name, double value) {
    key(name);
    appendJsonNumber(buffer_, value);
    return *this;
}

void JsonLineWriter::endObject() {
    buffer_.append("}\n", 2);
    if (buffer_.size() >= blockSize_) writeBuffer();
}

void JsonLineWriter::recordFailure() {
    error_ = errno != 0 ? std::strerror(errno) : "write failed";
}

void JsonLineWriter::writeBuffer() {
    errno = 0;
    if (error_.empty() && !buffer_.empty() &&
        std::fwrite(buffer_.data(), 1, buffer_.size(), out_) != buffer_.size())
        recordFailure();
    buffer_.clear();
}

bool JsonLineWriter::finish() {
    writeBuffer();
    errno = 0;
    if (error_.empty() && std::fflush(out_) != 0) recordFailure();
    return error_.empty();
}

}  // namespace quill
