#include "analysis/selection.h"

#include "analysis/quillstat.h"

namespace quill {

std::string_view shortProcessName(std::string_view process) noexcept {
    std::string_view rest = process;
    while (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
    if (rest.empty()) return process;
    const auto slash = rest.rfind('/');
    return slash == std::string_view::npos ? rest : rest.substr(slash + 1);
}

void Quillstat::selectStat(const StatLine& line) {
    setSelectedStat(line.entry);
    // An empty record empties the rows too: otherwise the chart would show the previous
    // record's bars under this record's header.
    setSelectedStatStats({});
    std::int64_t count = 0;
    for (const auto& process : line.entry.processList) {
        const std::string_view name = shortProcessName(process.process);
        // Most names have no folder: keep sharing the record's text then.
        Text shortName = name.size() == process.process.size() ? process.process : Text(name);
        appendSelectedStatStats(
            StatStats{ids_.next(), std::move(shortName), process.sizeBytes / 1024, ++count});
    }
}

}  // namespace quill
