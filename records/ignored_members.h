#pragma once

#include <string>
#include <string_view>

namespace quill {

/// Writes to `out` the statistics line `line` without the members that a line's reader
/// ignores: those of the line object, and of the objects in its "processList" arrays, whose
/// names are not required there. Kept members are copied byte for byte, for the JSON parser to
/// judge as before.
///
/// The whole line, dropped members included, must be one JSON value by the grammar alone:
/// numbers of any size, any nesting depth and escapes of lone surrogates are all valid. UTF-8
/// is not checked here. Returns false, leaving `out` unspecified, when the line breaks the
/// grammar, is not an object, or holds nothing to drop.
bool dropIgnoredMembers(std::string_view line, std::string& out);

}  // namespace quill
