#include "analysis/quillstat.h"

#include "analysis/date_format.h"

namespace quill {

Quillstat::Quillstat() : statList_(std::make_shared<const StatTable>()) {}

void Quillstat::setFileName(std::string name) {
    if (name == fileName_) return;
    write(Field::FileName, fileName_, std::move(name));
}

void Quillstat::setStartTime(std::int64_t time) {
    if (time == startTime_) return;
    write(Field::StartTime, startTime_, time);
}

void Quillstat::setPlotSpan(std::optional<TimeSpan> span) {
    if (span == plotSpan_) return;
    write(Field::PlotSpan, plotSpan_, span);
}

void Quillstat::setStatList(std::shared_ptr<const StatTable> table) {
    if (!table) table = std::make_shared<const StatTable>();
    write(Field::StatList, statList_, std::move(table));
}

void Quillstat::appendSelectedStatStats(StatStats row) {
    registrar_.willChange(Field::SelectedStatStats);
    selectedStatStats_.push_back(std::move(row));
    registrar_.didChange(Field::SelectedStatStats);
}

LoadOutcome Quillstat::applyLoad(StatLoad load) {
    if (load.status == LoadStatus::Ignored) return {};
    setFileName(std::move(load.fileName));
    // A span of the file before means nothing in the next one.
    setPlotSpan(std::nullopt);
    if (load.status == LoadStatus::ReadFailed) {
        setStatList(nullptr);
        setRatesPoints({});
        return {LoadStatus::ReadFailed, std::move(load.error)};
    }
    setStatList(std::move(load.table));
    setRatesPoints({});
    if (!statList_->empty() && statList_->earliestTime() < startTime_)
        setStartTime(statList_->earliestTime());
    buildSeries();
    return {LoadStatus::Loaded, {}};
}

bool Quillstat::applyGrowth(std::shared_ptr<const StatTable> table) {
    if (!table || !table->extends(*statList_)) return false;
    if (table->size() == statList_->size() && table->skippedLines() == statList_->skippedLines())
        return true;
    setStatList(std::move(table));
    if (!statList_->empty() && statList_->earliestTime() < startTime_)
        setStartTime(statList_->earliestTime());
    // Straight to the grown series: emptied first, as a load does, every chart would start
    // over from nothing at each addition.
    setSeriesOfStatList();
    return true;
}

LoadOutcome Quillstat::loadStatPath(const std::string& path) {
    return applyLoad(readStatPath(path));
}

LoadOutcome Quillstat::loadStatBytes(std::string name, std::string_view bytes) {
    return applyLoad(readStatSource(std::move(name), MemorySource(bytes)));
}

void Quillstat::buildSeries() {
    setPointsPersist({});
    setPointsSpecial({});
    setRatesPoints({});
    if (!statList_->empty()) setSeriesOfStatList();
}

void Quillstat::setSeriesOfStatList() {
    setPointsPersist(PointSeries(statList_, Category::Persist, startTime_));
    setPointsSpecial(PointSeries(statList_, Category::Special, startTime_));
    setRatesPoints(RateSeries(statList_, startTime_));
}

void Quillstat::selectStat(const StatLine& line) {
    setSelectedStat(line.entry);
    // An empty record empties the rows too: otherwise the chart would show the previous
    // record's bars under this record's header.
    setSelectedStatStats({});
    std::int64_t count = 0;
    for (const auto& process : line.entry.processList) {
        const std::string_view name = lastPathComponent(process.process);
        // Most names have no folder: keep sharing the record's text then.
        Text shortName = name.size() == process.process.size() ? process.process : Text(name);
        appendSelectedStatStats(
            StatStats{ids_.next(), std::move(shortName), process.sizeBytes / 1024, ++count});
    }
}

std::string Quillstat::selectedDateText() const {
    const auto& entry = selectedStat();
    if (!entry) return "date not available";
    DateFormatter formatter(DateFormatter::Pattern::DateFirst);
    return formatter.format(entry->unixTime);
}

}  // namespace quill
