#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "records/records.h"

/// What both fuzz targets check, and how they stop when a check fails: a trap, which the
/// fuzzer and the replay test both report as a crash with the input that caused it.
namespace quill::fuzz {

[[noreturn]] inline void fail(const char* target, const char* invariant) {
    std::fprintf(stderr, "%s: invariant broken: %s\n", target, invariant);
    __builtin_trap();
}

/// Field by field: records define no equality of their own.
inline bool sameEntry(const StatEntry& a, const StatEntry& b) {
    if (a.unixTime != b.unixTime || a.totalBytes != b.totalBytes) return false;
    if (a.type.view() != b.type.view() || a.record.view() != b.record.view()) return false;
    if (a.file.view() != b.file.view()) return false;
    if (a.processList.size() != b.processList.size()) return false;
    for (std::size_t i = 0; i < a.processList.size(); ++i) {
        const auto& pa = a.processList[i];
        const auto& pb = b.processList[i];
        if (pa.process.view() != pb.process.view() || pa.sizeBytes != pb.sizeBytes) return false;
    }
    return true;
}

/// `line` with one more member first in its object, which holds what the JSON parser refuses
/// although it is valid: integers beyond 64 bits, a number beyond a double, lone surrogates,
/// nesting past the parser's depth limit. The member is ignored, so the line must decode as it
/// did without it, or fail as it did. A line that does not start with an object is returned
/// as it is.
inline std::string withIgnoredMember(std::string_view line) {
    const std::size_t brace = line.find_first_not_of(" \t\r\n");
    if (brace == std::string_view::npos || line[brace] != '{') return std::string(line);
    std::string out(line.substr(0, brace + 1));
    out += R"("\ud800ignored":[123456789012345678901234567890,-99999999999999999999,1e400,)";
    out += R"("\udc00",)";
    out.append(1100, '[').append(1100, ']');
    out += "],";
    out += line.substr(brace + 1);
    return out;
}

}  // namespace quill::fuzz
