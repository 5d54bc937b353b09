#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "records/text.h"
#include "records/uuid.h"

/// The record types every layer exchanges: plain values, fields in declared order.
namespace quill {

/// One statistics record, decoded from one line of a statistics file.
struct StatEntry {
    /// One process within a record.
    struct StatProc {
        Text process;
        std::int64_t sizeBytes = 0;
    };

    std::int64_t unixTime = 0;
    std::int64_t totalBytes = 0;
    std::vector<StatProc> processList;
    Text type;
    Text record;
    Text file;
};

/// The display line derived from one `StatEntry`.
struct StatLine {
    Uuid id;
    StatEntry entry;
    Text prevDate;
    Text entryDate;
    double chartDate = 0;  ///< seconds since 1970-01-01 00:00:00 UTC
    std::string size;
    std::string duration;
    std::string rate;
    std::int64_t rateInt = 0;
};

/// One row of the per-process table of the charted record; `sizeBytes` holds KB.
struct StatStats {
    Uuid id;
    Text process;
    std::int64_t sizeBytes = 0;
    std::int64_t theCount = 0;
};

/// One point of a per-process size series.
struct PointStats {
    Uuid id;
    std::int64_t time = 0;
    std::int64_t size = 0;
    Text value;
    double date = 0;
};

/// One point of the rate series.
struct RateStats {
    Uuid id;
    std::int64_t time = 0;
    std::int64_t rate = 0;
    double date = 0;
};

}  // namespace quill
