#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/byte_source.h"
#include "records/line_decoder.h"
#include "records/records.h"

namespace quill {

struct DecodeOptions {
    /// Bytes per chunk: the unit of work a thread reads and decodes in one go.
    std::size_t chunkBytes = std::size_t{1} << 20;
    /// Threads that decode; 0 for one per core. A source of one chunk is decoded on the
    /// calling thread alone, as starting threads would cost more than they save.
    unsigned threads = 0;
};

/// One chunk's records as its thread decoded them: flat, in buffers reused from chunk to chunk,
/// so that a decoding thread allocates next to nothing. The thread that takes a record makes
/// its list and file name, in its own heap: on a thread of its own, glibc grows a heap a page
/// at a time, and a load's millions of small blocks cost a page fault and a system call each.
class DecodedRecords {
public:
    std::size_t size() const noexcept { return records_.size(); }
    bool empty() const noexcept { return records_.empty(); }
    /// Record `i` as a value of its own; its processes move out of the batch.
    StatEntry take(std::size_t i);
    /// Adds a decoded line, moving its processes and texts in.
    void append(DecodedLine& line);
    /// Empties the batch, keeping its buffers.
    void clear() noexcept;

private:
    struct Record {
        std::int64_t unixTime;
        std::int64_t totalBytes;
        Text type;
        Text record;
        std::size_t fileBegin;
        std::size_t fileSize;
        std::size_t processBegin;
        std::size_t processCount;
    };
    std::vector<Record> records_;
    std::vector<StatEntry::StatProc> processes_;
    std::string fileNames_;
};

/// One chunk's records, handed over in file order. `bytesRead` is where the chunk ends in the
/// source: with the records so far, it tells how many lines the source holds in all.
struct RecordBatch {
    DecodedRecords& records;
    std::uint64_t bytesRead;
};

/// Decodes every line of `source` into records and hands them to `consume` on the calling
/// thread, in file order, one chunk at a time, while other threads decode the chunks ahead.
/// Lines are cut at line feeds; empty ones are left out, a leading byte-order mark is skipped,
/// carriage returns stay, ill-formed UTF-8 is repaired to U+FFFD, and lines that do not decode
/// are skipped. `consume` may take the records it is given.
///
/// Returns an empty string, or why reading failed part-way; `consume` has then seen the
/// records before the failure only.
std::string decodeRecords(const ByteSource& source, const std::function<void(RecordBatch)>& consume,
                          const DecodeOptions& options = {});

}  // namespace quill
