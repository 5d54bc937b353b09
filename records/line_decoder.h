#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "records/records.h"
#include "records/text.h"

namespace quill {

/// Bytes that must be readable after the end of a line handed to `LineDecoder::decode`.
inline constexpr std::size_t kLinePadding = 64;

/// A decoded line that owns no memory of its own: its texts are views into the decoder, valid
/// until the next line, and its process list is reused from line to line. A thread can decode
/// millions of lines into one without allocating, and copy them out where it pleases.
struct DecodedLine {
    struct Process {
        std::string_view process;
        std::int64_t sizeBytes = 0;
    };
    std::int64_t unixTime = 0;
    std::int64_t totalBytes = 0;
    std::vector<Process> processList;
    std::string_view type;
    std::string_view record;
    std::string_view file;
};

/// Decodes statistics lines into `StatEntry` values, strictly: a line is one JSON object with
/// the members "unixTime" and "totalBytes" (integers in the signed 64-bit range), "processList"
/// (an array of objects, each with "process", a string, and "sizeBytes", an integer), and
/// "type", "record" and "file" (strings). Any missing member, null, wrong type, non-integral or
/// out-of-range number fails the whole line. Other members are ignored, whatever valid JSON
/// they hold: numbers of any size, lone surrogate escapes and any depth of nesting included.
/// A member given twice must be valid each time, and the last one counts.
///
/// Numbers must be written as integers: 1.0 and 1e3 fail, since a writer that emits them for a
/// byte count or a time has lost precision somewhere already.
///
/// One decoder serves a whole load: it keeps its parser's buffers and interns the texts it
/// makes, so repeated process names share storage.
class LineDecoder {
public:
    LineDecoder();
    ~LineDecoder();
    LineDecoder(const LineDecoder&) = delete;
    LineDecoder& operator=(const LineDecoder&) = delete;

    /// Decodes `line`, whose last byte must be followed by kLinePadding readable bytes (their
    /// values do not matter). Ill-formed UTF-8 anywhere fails the line. Returns false on a
    /// decoding failure, leaving `out` unspecified.
    bool decodePadded(std::string_view line, StatEntry& out);
    bool decodePadded(std::string_view line, DecodedLine& out);

    /// Decodes any line, with ill-formed UTF-8 first replaced by U+FFFD.
    std::optional<StatEntry> decode(std::string_view line);
    /// The same for a line that needs no padding; `out`'s views live until the next call.
    bool decode(std::string_view line, DecodedLine& out);

private:
    template <typename Out>
    bool decodeAny(std::string_view line, Out& out);
    template <typename Out>
    bool decodeRepaired(std::string_view line, Out& out);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace quill
