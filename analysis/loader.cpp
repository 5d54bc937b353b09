#include "analysis/loader.h"

#include "analysis/byte_source.h"
#include "analysis/derivation.h"
#include "analysis/memory_advice.h"
#include "analysis/quillstat.h"
#include "analysis/record_decoding.h"

namespace quill {

std::string lastPathComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    if (path == "/") return std::string(path);
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

LoadOutcome Quillstat::loadStatFile(int response, const std::optional<FileLocation>& url) {
    if (response != kResponseOK || !url || !url->isLocalFile) return {};
    return loadStatPath(url->path);
}

LoadOutcome Quillstat::loadStatPath(const std::string& path) {
    return loadStatSource(lastPathComponent(path), FileSource(path));
}

LoadOutcome Quillstat::loadStatBytes(std::string name, std::string_view bytes) {
    return loadStatSource(std::move(name), MemorySource(bytes));
}

LoadOutcome Quillstat::loadStatSource(std::string name, const ByteSource& source) {
    setFileName(std::move(name));
    setStatList({});
    setRatesPoints({});
    if (!source.error().empty()) return {LoadStatus::ReadFailed, source.error()};
    const std::int64_t startTimeBefore = startTime_;
    const std::string error = deriveAll(source);
    if (!error.empty()) {
        // A read that fails part-way ends as one that failed at once: no lines, and the
        // earliest time of before.
        setStatList({});
        setStartTime(startTimeBefore);
        return {LoadStatus::ReadFailed, error};
    }
    buildSeries();
    return {LoadStatus::Loaded, {}};
}

std::string Quillstat::deriveAll(const ByteSource& source) {
    Derivation derivation;
    const std::uint64_t size = source.sizeHint();
    return decodeRecords(source, [&](RecordBatch batch) {
        if (statList_.empty() && !batch.records.empty() && batch.bytesRead < size) {
            // The first chunk's lines tell how many the file holds. Room reserved but never
            // used costs address space only, so the guess errs on the large side, and the
            // list then never moves while it grows.
            const double perByte =
                static_cast<double>(batch.records.size()) / static_cast<double>(batch.bytesRead);
            reserveLarge(statList_,
                         static_cast<std::size_t>(perByte * 1.1 * static_cast<double>(size)) + 64);
        }
        for (std::size_t i = 0; i < batch.records.size(); ++i)
            deriveStatLine(batch.records.take(i), derivation);
    });
}

}  // namespace quill
