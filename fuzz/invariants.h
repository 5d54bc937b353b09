#pragma once

#include <cstdio>

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

}  // namespace quill::fuzz
