#pragma once

#include <cstddef>
#include <string>

namespace quill {

class JsonLineWriter;
class Quillstat;
class StatTable;

/// The model line: the file's name, the earliest record time seen and the number of lines.
void writeModel(JsonLineWriter& out, const Quillstat& model);
/// One line record for each line of `lines` from `first` on.
void writeLines(JsonLineWriter& out, const StatTable& lines, std::size_t first = 0);

/// Prints the model line and the complete lines of the file at `path`, then each line it gains,
/// as it comes, and the file anew whenever it is cut short, replaced or rewritten; until SIGINT
/// or SIGTERM. Returns true when stopped so; false, with the reason on standard error, when the
/// file could not be read at the start or the output could not be written.
bool followFile(const std::string& path, const char* program);

}  // namespace quill
