#pragma once

#include <string_view>

namespace quill {

/// The last non-empty piece of `process` cut at "/": "/usr/libexec/logd" gives "logd",
/// "/usr/sbin/" gives "sbin". A name with no such piece ("" or only slashes) stays whole, so
/// the bar still says what the record held.
std::string_view shortProcessName(std::string_view process) noexcept;

}  // namespace quill
