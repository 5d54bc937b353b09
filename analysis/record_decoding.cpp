#include "analysis/record_decoding.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <iterator>
#include <limits>
#include <mutex>
#include <new>
#include <thread>

#include "analysis/chunk_reader.h"
#include "records/line_decoder.h"
#include "records/utf8.h"

namespace quill {

namespace {

/// What one thread needs to decode chunks: kept from chunk to chunk, so that a load builds no
/// parser or buffer per line.
struct ChunkDecoder {
    LineDecoder decoder;
    PaddedBuffer buffer;
    DecodedLine line;
};

/// Decodes `line` into `state.line`. The decoder rejects ill-formed UTF-8 along with
/// everything else, so only a line that fails is checked, and if ill-formed, decoded again
/// repaired: valid files, the common case, pay nothing for the repair.
bool decodeLine(ChunkDecoder& state, std::string_view line) {
    if (state.decoder.decodePadded(line, state.line)) return true;
    return !isValidUtf8(line) && state.decoder.decode(line, state.line);
}

/// A line of blanks alone is as good as an empty one, whatever the line ends are.
bool isBlank(std::string_view line) {
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

/// The outcome of one chunk, waiting for its turn to be consumed.
struct ChunkResult {
    ChunkColumns records;
    bool reachedEnd = false;
    int error = 0;
};

void decodeChunk(const ByteSource& source, std::uint64_t begin, std::uint64_t end,
                 ChunkDecoder& state, ChunkResult& out) {
    out.records.clear();
    const ChunkText chunk = readChunk(source, begin, end, state.buffer);
    out.reachedEnd = chunk.reachedEnd;
    out.error = chunk.error;
    forEachLine(chunk.text, [&](std::string_view line) {
        if (decodeLine(state, line))
            out.records.append(state.line);
        else if (!isBlank(line))
            out.records.skip();
    });
}

std::string readError(int error) {
    return std::strerror(error);
}

using Consumer = std::function<void(ChunkBatch)>;

/// Hands one decoded chunk over; false when the decoding ends with it.
bool take(const ChunkResult& result, std::uint64_t end, const Consumer& consume,
          LoadControl* control, DecodeResult& outcome) {
    if (control && control->cancelled()) {
        outcome.cancelled = true;
        return false;
    }
    if (result.error != 0) {
        outcome.error = readError(result.error);
        return false;
    }
    consume({result.records, end});
    // A chunk's end can lie past the data's: the last chunk's reaches it.
    if (control) control->setBytesDone(result.reachedEnd ? control->bytesTotal() : end);
    return !result.reachedEnd;
}

DecodeResult decodeHere(const ByteSource& source, const Consumer& consume, std::size_t chunkBytes,
                        LoadControl* control) {
    ChunkDecoder state;
    ChunkResult result;
    DecodeResult outcome;
    for (std::uint64_t begin = 0;; begin += chunkBytes) {
        decodeChunk(source, begin, begin + chunkBytes, state, result);
        if (!take(result, begin + chunkBytes, consume, control, outcome)) return outcome;
    }
}

/// Chunks decoded on worker threads, consumed in order on the calling one. At most `slots`
/// chunks are in hand at a time, which bounds the memory a load takes beyond its records.
class ParallelDecoding {
public:
    ParallelDecoding(const ByteSource& source, std::size_t chunkBytes, unsigned threads,
                     LoadControl* control)
        : source_(source),
          chunkBytes_(chunkBytes),
          control_(control),
          results_(2 * std::size_t{threads} + 2) {
        workers_.reserve(threads);
        for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { work(); });
    }
    ~ParallelDecoding() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        workReady_.notify_all();
        for (std::thread& worker : workers_) worker.join();
    }
    ParallelDecoding(const ParallelDecoding&) = delete;
    ParallelDecoding& operator=(const ParallelDecoding&) = delete;

    DecodeResult run(const Consumer& consume);

private:
    struct Slot {
        ChunkResult result;
        bool ready = false;
    };
    Slot& slot(std::uint64_t chunk) { return results_[chunk % results_.size()]; }
    /// Whether `chunk` will never be decoded, the load being cancelled before it was claimed.
    bool cancelledAhead(std::uint64_t chunk) const {
        return control_ && control_->cancelled() && nextChunk_ <= chunk;
    }
    void work();
    bool claim(std::uint64_t& chunk);
    void finish(std::uint64_t chunk);

    const ByteSource& source_;
    const std::size_t chunkBytes_;
    LoadControl* const control_;
    std::vector<Slot> results_;
    std::vector<std::thread> workers_;

    std::mutex mutex_;
    std::condition_variable workReady_;   ///< a slot freed, or stopping
    std::condition_variable chunkReady_;  ///< a chunk decoded
    std::uint64_t nextChunk_ = 0;
    std::uint64_t consumed_ = 0;
    std::uint64_t lastChunk_ = std::numeric_limits<std::uint64_t>::max();
    bool stopping_ = false;
};

bool ParallelDecoding::claim(std::uint64_t& chunk) {
    std::unique_lock lock(mutex_);
    workReady_.wait(lock, [&] {
        return stopping_ || nextChunk_ > lastChunk_ || nextChunk_ < consumed_ + results_.size();
    });
    if (stopping_ || nextChunk_ > lastChunk_) return false;
    if (control_ && control_->cancelled()) {
        // A cancelled load decodes nothing more; the consumer may be waiting for this chunk.
        chunkReady_.notify_all();
        return false;
    }
    chunk = nextChunk_++;
    return true;
}

void ParallelDecoding::finish(std::uint64_t chunk) {
    {
        const std::lock_guard lock(mutex_);
        Slot& done = slot(chunk);
        done.ready = true;
        // Nothing lies beyond the end or a failed read: no thread needs to look there.
        if (done.result.reachedEnd || done.result.error != 0)
            lastChunk_ = std::min(lastChunk_, chunk);
    }
    chunkReady_.notify_one();
    workReady_.notify_all();
}

void ParallelDecoding::work() {
    ChunkDecoder state;
    std::uint64_t chunk = 0;
    while (claim(chunk)) {
        // The slot is this thread's alone until it is marked ready: the consumer is done with
        // it, and no other thread claims the same chunk.
        const std::uint64_t begin = chunk * chunkBytes_;
        ChunkResult& result = slot(chunk).result;
        try {
            decodeChunk(source_, begin, begin + chunkBytes_, state, result);
        } catch (const std::bad_alloc&) {
            // Out of memory on this thread fails the load as it would on the calling thread.
            result.records.clear();
            result.error = ENOMEM;
        }
        finish(chunk);
    }
}

DecodeResult ParallelDecoding::run(const Consumer& consume) {
    DecodeResult outcome;
    for (std::uint64_t chunk = 0;; ++chunk) {
        Slot& next = slot(chunk);
        {
            std::unique_lock lock(mutex_);
            chunkReady_.wait(lock, [&] { return next.ready || cancelledAhead(chunk); });
            if (!next.ready) return {{}, true};
        }
        ChunkResult& result = next.result;
        if (!take(result, (chunk + 1) * chunkBytes_, consume, control_, outcome)) return outcome;
        result.records.clear();
        {
            const std::lock_guard lock(mutex_);
            next.ready = false;
            consumed_ = chunk + 1;
        }
        workReady_.notify_all();
    }
}

}  // namespace

DecodeResult decodeRecords(const ByteSource& source, const Consumer& consume,
                           const DecodeOptions& options, LoadControl* control) {
    if (control) control->setBytesTotal(source.sizeHint());
    const std::size_t chunkBytes = std::max<std::size_t>(options.chunkBytes, 1);
    const std::uint64_t chunks = source.sizeHint() / chunkBytes + 1;
    unsigned threads = options.threads ? options.threads : std::thread::hardware_concurrency();
    threads = static_cast<unsigned>(std::min<std::uint64_t>(std::max(threads, 1u), chunks));
    if (chunks <= 1 || options.threads == 1)
        return decodeHere(source, consume, chunkBytes, control);
    ParallelDecoding decoding(source, chunkBytes, threads, control);
    return decoding.run(consume);
}

}  // namespace quill
