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
    std::string repaired;
    DecodedLine line;
};

/// Decodes `line` into `entry`. The decoder rejects ill-formed UTF-8 along with everything
/// else, so only a line that fails is checked, and if ill-formed, repaired and tried again:
/// valid files, the common case, pay nothing for the repair.
bool decodeLine(ChunkDecoder& state, std::string_view line) {
    DecodedLine& entry = state.line;
    if (state.decoder.decodePadded(line, entry)) return true;
    if (isValidUtf8(line)) return false;
    std::string& repaired = state.repaired;
    repaired.clear();
    appendRepairedUtf8(line, repaired);
    const std::size_t length = repaired.size();
    repaired.append(kLinePadding, '\0');
    return state.decoder.decodePadded(std::string_view(repaired.data(), length), entry);
}

/// The outcome of one chunk, waiting for its turn to be consumed.
struct ChunkResult {
    DecodedRecords records;
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
        if (decodeLine(state, line)) out.records.append(state.line);
    });
}

std::string readError(int error) {
    return std::strerror(error);
}

std::string decodeHere(const ByteSource& source, const std::function<void(RecordBatch)>& consume,
                       std::size_t chunkBytes) {
    ChunkDecoder state;
    ChunkResult result;
    for (std::uint64_t begin = 0;; begin += chunkBytes) {
        decodeChunk(source, begin, begin + chunkBytes, state, result);
        if (result.error != 0) return readError(result.error);
        consume({result.records, begin + chunkBytes});
        if (result.reachedEnd) return {};
    }
}

/// Chunks decoded on worker threads, consumed in order on the calling one. At most `slots`
/// chunks are in hand at a time, which bounds the memory a load takes beyond its records.
class ParallelDecoding {
public:
    ParallelDecoding(const ByteSource& source, std::size_t chunkBytes, unsigned threads)
        : source_(source), chunkBytes_(chunkBytes), results_(2 * std::size_t{threads} + 2) {
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

    std::string run(const std::function<void(RecordBatch)>& consume);

private:
    struct Slot {
        ChunkResult result;
        bool ready = false;
    };
    Slot& slot(std::uint64_t chunk) { return results_[chunk % results_.size()]; }
    void work();
    bool claim(std::uint64_t& chunk);
    void finish(std::uint64_t chunk);

    const ByteSource& source_;
    const std::size_t chunkBytes_;
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

std::string ParallelDecoding::run(const std::function<void(RecordBatch)>& consume) {
    for (std::uint64_t chunk = 0;; ++chunk) {
        Slot& next = slot(chunk);
        {
            std::unique_lock lock(mutex_);
            chunkReady_.wait(lock, [&] { return next.ready; });
        }
        ChunkResult& result = next.result;
        if (result.error != 0) return readError(result.error);
        consume({result.records, (chunk + 1) * chunkBytes_});
        if (result.reachedEnd) return {};
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

void DecodedRecords::append(DecodedLine& line) {
    records_.push_back({line.unixTime, line.totalBytes, std::move(line.type),
                        std::move(line.record), fileNames_.size(), line.file.size(),
                        processes_.size(), line.processList.size()});
    fileNames_.append(line.file);
    processes_.insert(processes_.end(), std::make_move_iterator(line.processList.begin()),
                      std::make_move_iterator(line.processList.end()));
}

StatEntry DecodedRecords::take(std::size_t i) {
    Record& r = records_[i];
    StatEntry entry;
    entry.unixTime = r.unixTime;
    entry.totalBytes = r.totalBytes;
    const auto first = processes_.begin() + static_cast<std::ptrdiff_t>(r.processBegin);
    entry.processList.assign(
        std::make_move_iterator(first),
        std::make_move_iterator(first + static_cast<std::ptrdiff_t>(r.processCount)));
    entry.type = std::move(r.type);
    entry.record = std::move(r.record);
    entry.file = Text(std::string_view(fileNames_).substr(r.fileBegin, r.fileSize));
    return entry;
}

void DecodedRecords::clear() noexcept {
    records_.clear();
    processes_.clear();
    fileNames_.clear();
}

std::string decodeRecords(const ByteSource& source, const std::function<void(RecordBatch)>& consume,
                          const DecodeOptions& options) {
    const std::size_t chunkBytes = std::max<std::size_t>(options.chunkBytes, 1);
    const std::uint64_t chunks = source.sizeHint() / chunkBytes + 1;
    unsigned threads = options.threads ? options.threads : std::thread::hardware_concurrency();
    threads = static_cast<unsigned>(std::min<std::uint64_t>(std::max(threads, 1u), chunks));
    if (chunks <= 1 || options.threads == 1) return decodeHere(source, consume, chunkBytes);
    ParallelDecoding decoding(source, chunkBytes, threads);
    return decoding.run(consume);
}

}  // namespace quill
