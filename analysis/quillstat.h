#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/loader.h"
#include "analysis/observation.h"
#include "records/records.h"
#include "records/uuid.h"

namespace quill {

class ByteSource;
struct Derivation;

/// The one shared, observable model: the loaded file's display lines, the charted record, the
/// series and the earliest record time seen. Every getter subscribes the innermost tracking
/// scope to its field; every setter notifies will-change then did-change. Confined to one
/// thread, like everything that reads it.
class Quillstat {
public:
    /// 2057-10-28 23:34:24 UTC: later than any record expected, so the first load lowers it.
    static constexpr std::int64_t kInitialStartTime = 2771537664;

    Quillstat() = default;
    Quillstat(const Quillstat&) = delete;
    Quillstat& operator=(const Quillstat&) = delete;

    Registrar& registrar() { return registrar_; }

    const std::vector<StatLine>& statList() const { return read(Field::StatList, statList_); }
    const std::optional<StatEntry>& selectedStat() const {
        return read(Field::SelectedStat, selectedStat_);
    }
    const std::vector<StatStats>& selectedStatStats() const {
        return read(Field::SelectedStatStats, selectedStatStats_);
    }
    const std::string& fileName() const { return read(Field::FileName, fileName_); }
    const std::vector<PointStats>& pointsPersist() const {
        return read(Field::PointsPersist, pointsPersist_);
    }
    const std::vector<PointStats>& pointsSpecial() const {
        return read(Field::PointsSpecial, pointsSpecial_);
    }
    const std::vector<RateStats>& ratesPoints() const {
        return read(Field::RatesPoints, ratesPoints_);
    }
    std::int64_t startTime() const { return read(Field::StartTime, startTime_); }

    // Writes. `setFileName` and `setStartTime` store and notify only when the value differs;
    // every other write notifies, even when it changes nothing.
    void setFileName(std::string name);
    void setStartTime(std::int64_t time);
    void setStatList(std::vector<StatLine> lines) {
        write(Field::StatList, statList_, std::move(lines));
    }
    void appendStatLine(StatLine line) { append(Field::StatList, statList_, std::move(line)); }
    void setSelectedStat(std::optional<StatEntry> entry) {
        write(Field::SelectedStat, selectedStat_, std::move(entry));
    }
    void setSelectedStatStats(std::vector<StatStats> rows) {
        write(Field::SelectedStatStats, selectedStatStats_, std::move(rows));
    }
    void appendSelectedStatStats(StatStats row) {
        append(Field::SelectedStatStats, selectedStatStats_, std::move(row));
    }
    void setPointsPersist(std::vector<PointStats> points) {
        write(Field::PointsPersist, pointsPersist_, std::move(points));
    }
    void appendPointsPersist(PointStats point) {
        append(Field::PointsPersist, pointsPersist_, std::move(point));
    }
    void setPointsSpecial(std::vector<PointStats> points) {
        write(Field::PointsSpecial, pointsSpecial_, std::move(points));
    }
    void appendPointsSpecial(PointStats point) {
        append(Field::PointsSpecial, pointsSpecial_, std::move(point));
    }
    void setRatesPoints(std::vector<RateStats> points) {
        write(Field::RatesPoints, ratesPoints_, std::move(points));
    }
    void appendRatesPoints(RateStats point) {
        append(Field::RatesPoints, ratesPoints_, std::move(point));
    }

    // Operations.

    /// Completion of the open-file flow: loads the file at `url` when `response` is
    /// kResponseOK. Returns what happened, for callers that report it; the model never does.
    LoadOutcome loadStatFile(int response, const std::optional<FileLocation>& url);
    /// Loads the file at `path`, named by its last component. One synchronous call: the file is
    /// decoded on every core, and its lines derived here, in file order.
    LoadOutcome loadStatPath(const std::string& path);
    /// Loads `bytes` as the content of a file called `name`.
    LoadOutcome loadStatBytes(std::string name, std::string_view bytes);
    /// Loads what `source` holds as a file called `name`.
    LoadOutcome loadStatSource(std::string name, const ByteSource& source);
    /// Turns one decoded record into a display line, appended to `statList`.
    void deriveStatLine(StatEntry entry, Derivation& derivation);
    /// Rebuilds the Persist, Special and rate series from `statList`.
    void buildSeries();
    /// Makes `line`'s record the charted one, with one row per process.
    void selectStat(const StatLine& line);
    /// The charted record's time as "yyyy-MM-dd HH:mm:ssZ", or "date not available".
    std::string selectedDateText() const;

private:
    template <typename T>
    const T& read(Field field, const T& value) const {
        registrar_.access(field);
        return value;
    }
    template <typename T>
    void write(Field field, T& slot, T value) {
        registrar_.willChange(field);
        slot = std::move(value);
        registrar_.didChange(field);
    }
    template <typename T>
    void append(Field field, std::vector<T>& list, T value) {
        appendWith(field, list, [&](T& slot) { slot = std::move(value); });
    }
    /// Appends a default element and lets `fill` write it, between the notifications.
    template <typename T, typename Fill>
    void appendWith(Field field, std::vector<T>& list, Fill fill) {
        registrar_.willChange(field);
        fill(list.emplace_back());
        registrar_.didChange(field);
    }
    std::string deriveAll(const ByteSource& source);
    void appendPoints(const StatLine& line, std::int64_t time, bool persist);

    mutable Registrar registrar_;
    UuidGenerator ids_;

    std::vector<StatLine> statList_;
    std::optional<StatEntry> selectedStat_;
    std::vector<StatStats> selectedStatStats_;
    std::string fileName_;
    std::vector<PointStats> pointsPersist_;
    std::vector<PointStats> pointsSpecial_;
    std::vector<RateStats> ratesPoints_;
    std::int64_t startTime_ = kInitialStartTime;
};

}  // namespace quill
