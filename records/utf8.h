#pragma once

#include <string>
#include <string_view>

namespace quill {

bool isValidUtf8(std::string_view bytes) noexcept;

/// Appends `bytes` to `out` with every ill-formed sequence replaced by U+FFFD, one replacement
/// per maximal subpart (the Unicode recommended practice, as WHATWG's decoder does it).
void appendRepairedUtf8(std::string_view bytes, std::string& out);

/// `bytes` as well-formed UTF-8.
std::string repairUtf8(std::string_view bytes);

}  // namespace quill
