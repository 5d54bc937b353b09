#include "analysis/loader.h"

#include "analysis/derivation.h"
#include "analysis/line_reader.h"
#include "analysis/quillstat.h"
#include "records/line_decoder.h"
#include "records/utf8.h"

namespace quill {

namespace {

/// Decodes `line` into `entry`. The decoder rejects ill-formed UTF-8 along with everything
/// else, so only a line that fails is checked, and if ill-formed, repaired and tried again:
/// valid files, the common case, pay nothing for the repair.
bool decodeLine(LineDecoder& decoder, std::string_view line, std::string& repaired,
                StatEntry& entry) {
    if (decoder.decodePadded(line, entry)) return true;
    if (isValidUtf8(line)) return false;
    repaired.clear();
    appendRepairedUtf8(line, repaired);
    const std::size_t length = repaired.size();
    repaired.append(kLinePadding, '\0');
    entry = StatEntry{};
    return decoder.decodePadded(std::string_view(repaired.data(), length), entry);
}

}  // namespace

std::string lastPathComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    if (path == "/") return std::string(path);
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

LoadOutcome Quillstat::loadStatFile(int response, const std::optional<FileLocation>& url) {
    if (response != kResponseOK || !url || !url->isLocalFile) return {};
    setFileName(lastPathComponent(url->path));
    setStatList({});
    setRatesPoints({});
    LineReader reader(url->path);
    if (!reader.error().empty()) return {LoadStatus::ReadFailed, reader.error()};
    const std::int64_t startTimeBefore = startTime_;
    loadLines(reader);
    if (!reader.error().empty()) {
        // A read that fails part-way ends as one that failed at once: no lines, and the
        // earliest time of before.
        setStatList({});
        setStartTime(startTimeBefore);
        return {LoadStatus::ReadFailed, reader.error()};
    }
    buildSeries();
    return {LoadStatus::Loaded, {}};
}

void Quillstat::loadLines(LineReader& reader) {
    LineDecoder decoder;
    Derivation derivation;
    std::string repaired;
    std::string_view line;
    while (reader.next(line)) {
        StatEntry entry;
        if (decodeLine(decoder, line, repaired, entry))
            deriveStatLine(std::move(entry), derivation);
    }
}

}  // namespace quill
