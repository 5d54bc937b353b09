#include "analysis/stat_load.h"

#include "analysis/table_builder.h"

namespace quill {

std::string_view lastPathComponent(std::string_view path) noexcept {
    std::string_view rest = path;
    while (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
    if (rest.empty()) return path;
    const auto slash = rest.rfind('/');
    return slash == std::string_view::npos ? rest : rest.substr(slash + 1);
}

namespace {

/// Sizes the table from the first chunk's lines: room reserved but never used costs address
/// space only, so the guess errs on the large side, and the columns then never move.
void reserveFromFirstChunk(StatTableBuilder& builder, const ChunkBatch& batch, std::uint64_t size) {
    if (builder.size() == 0 || batch.bytesRead >= size) return;
    const double scale = 1.1 * static_cast<double>(size) / static_cast<double>(batch.bytesRead);
    builder.reserve(
        static_cast<std::size_t>(scale * static_cast<double>(builder.size())) + 64,
        static_cast<std::size_t>(scale * static_cast<double>(builder.processTotal())) + 64);
}

}  // namespace

StatLoad readStatSource(std::string name, const ByteSource& source, LoadControl* control,
                        const DecodeOptions& options) {
    StatTableBuilder builder;
    return readStatSource(std::move(name), source, builder, control, options);
}

StatLoad readStatSource(std::string name, const ByteSource& source, StatTableBuilder& builder,
                        LoadControl* control, const DecodeOptions& options) {
    // Cancelled before it began, a load changes nothing, whether its file can be read or not.
    if (control && control->cancelled())
        return {LoadStatus::Ignored, std::move(name), nullptr, {}, {}};
    StatLoad load{LoadStatus::ReadFailed, std::move(name), nullptr, source.error(), {}};
    if (!load.error.empty()) return load;
    bool first = true;
    const std::uint64_t size = source.sizeHint();
    const DecodeResult result = decodeRecords(
        source,
        [&](ChunkBatch batch) {
            builder.append(batch.lines);
            if (first) reserveFromFirstChunk(builder, batch, size);
            first = false;
        },
        options, control);
    if (result.cancelled) return {LoadStatus::Ignored, std::move(load.fileName), nullptr, {}, {}};
    // A read that fails part-way ends as one that failed at once: no lines at all.
    if (!result.error.empty())
        return {LoadStatus::ReadFailed, std::move(load.fileName), nullptr, result.error, {}};
    load.status = LoadStatus::Loaded;
    load.table = builder.snapshot();
    return load;
}

StatLoad readStatPath(const std::string& path, LoadControl* control) {
    return readStatSource(std::string(lastPathComponent(path)), FileSource(path), control);
}

}  // namespace quill
