#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/byte_source.h"
#include "analysis/table_builder.h"

namespace quill {

struct DecodeOptions {
    /// Bytes per chunk: the unit of work a thread reads and decodes in one go.
    std::size_t chunkBytes = std::size_t{1} << 20;
    /// Threads that decode; 0 for one per core. A source of one chunk is decoded on the
    /// calling thread alone, as starting threads would cost more than they save.
    unsigned threads = 0;
};

/// Lets another thread follow a load and stop it. A load reads it between chunks.
class LoadControl {
public:
    void cancel() noexcept { cancelled_.store(true, std::memory_order_relaxed); }
    bool cancelled() const noexcept { return cancelled_.load(std::memory_order_relaxed); }
    /// Bytes of the source decoded and taken so far.
    std::uint64_t bytesDone() const noexcept { return done_.load(std::memory_order_relaxed); }
    void setBytesDone(std::uint64_t bytes) noexcept {
        done_.store(std::min(bytes, total_.load(std::memory_order_relaxed)),
                    std::memory_order_relaxed);
    }
    /// The bytes the source held when the load began, for a progress bar's end.
    std::uint64_t bytesTotal() const noexcept { return total_.load(std::memory_order_relaxed); }
    void setBytesTotal(std::uint64_t bytes) noexcept {
        total_.store(bytes, std::memory_order_relaxed);
    }

private:
    std::atomic<bool> cancelled_{false};
    std::atomic<std::uint64_t> done_{0};
    std::atomic<std::uint64_t> total_{0};
};

/// One chunk's lines, handed over in file order. `bytesRead` is where the chunk ends in the
/// source: with the lines so far, it tells how many lines the source holds in all.
struct ChunkBatch {
    const ChunkColumns& lines;
    std::uint64_t bytesRead;
};

/// What became of a decoding.
struct DecodeResult {
    std::string error;  ///< why reading failed part-way; empty when it did not
    bool cancelled = false;
};

/// Decodes every line of `source` and hands the lines to `consume` on the calling thread, in
/// file order, one chunk at a time, while other threads decode the chunks ahead.
/// Lines are cut at line feeds; empty ones are left out, a leading byte-order mark is skipped,
/// carriage returns stay, ill-formed UTF-8 is repaired to U+FFFD, and lines that do not decode
/// are skipped.
///
/// When reading fails part-way, or `control` is cancelled, `consume` has seen the chunks before
/// that only. `control`, when given, is told of the bytes taken after each chunk.
DecodeResult decodeRecords(const ByteSource& source, const std::function<void(ChunkBatch)>& consume,
                           const DecodeOptions& options = {}, LoadControl* control = nullptr);

}  // namespace quill
