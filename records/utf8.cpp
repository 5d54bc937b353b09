#include "records/utf8.h"

#include <simdjson.h>

#include <cstdint>

namespace quill {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

/// Length of the well-formed sequence starting at `i`, or 0 with `subpart` set to the length of
/// its maximal subpart (the ill-formed bytes to replace by one U+FFFD).
std::size_t sequenceLength(std::string_view s, std::size_t i, std::size_t& subpart) noexcept {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
    const std::uint8_t lead = byte(i);
    std::size_t need = 0;
    std::uint8_t lower = 0x80, upper = 0xBF;  // bounds of the first continuation byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        if (lead == 0xE0) lower = 0xA0;  // no overlong forms
        if (lead == 0xED) upper = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        if (lead == 0xF0) lower = 0x90;  // no overlong forms
        if (lead == 0xF4) upper = 0x8F;  // nothing above U+10FFFF
    } else {
        subpart = 1;
        return 0;
    }
    for (std::size_t k = 1; k <= need; ++k) {
        const bool inRange = i + k < s.size() && byte(i + k) >= (k == 1 ? lower : 0x80) &&
                             byte(i + k) <= (k == 1 ? upper : 0xBF);
        if (!inRange) {
            subpart = k;
            return 0;
        }
    }
    return need + 1;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) noexcept {
    return simdjson::validate_utf8(bytes.data(), bytes.size());
}

void appendRepairedUtf8(std::string_view bytes, std::string& out) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (static_cast<std::uint8_t>(bytes[i]) < 0x80) {
            out.push_back(bytes[i++]);
            continue;
        }
        std::size_t subpart = 0;
        if (const std::size_t length = sequenceLength(bytes, i, subpart)) {
            out.append(bytes.substr(i, length));
            i += length;
        } else {
            out.append(kReplacement);
            i += subpart;
        }
    }
}

std::string repairUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    appendRepairedUtf8(bytes, out);
    return out;
}

}  // namespace quill
