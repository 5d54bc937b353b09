#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/observation.h"
#include "analysis/series.h"
#include "analysis/stat_load.h"
#include "analysis/stat_table.h"
#include "analysis/time_span.h"
#include "records/records.h"
#include "records/uuid.h"

namespace quill {

/// What a load did, for callers that report it; the model never does.
struct LoadOutcome {
    LoadStatus status = LoadStatus::Ignored;
    std::string error;  ///< why the read failed, for ReadFailed
};

/// The one shared, observable model: the loaded file's lines, the charted record, the series
/// and the earliest record time seen. Every getter subscribes the innermost tracking scope to
/// its field; every setter notifies will-change then did-change. Confined to one thread, like
/// everything that reads it; a load is read elsewhere and handed in whole (`applyLoad`).
class Quillstat {
public:
    /// 2057-10-28 23:34:24 UTC: later than any record expected, so the first load lowers it.
    static constexpr std::int64_t kInitialStartTime = 2771537664;

    Quillstat();
    Quillstat(const Quillstat&) = delete;
    Quillstat& operator=(const Quillstat&) = delete;

    Registrar& registrar() { return registrar_; }

    /// The lines of the last load, as the table it made.
    const StatTable& statList() const { return *statListTable(); }
    /// The same table, shared, for a view that keeps showing it while the model moves on.
    const std::shared_ptr<const StatTable>& statListTable() const {
        return read(Field::StatList, statList_);
    }
    const std::optional<StatEntry>& selectedStat() const {
        return read(Field::SelectedStat, selectedStat_);
    }
    const std::vector<StatStats>& selectedStatStats() const {
        return read(Field::SelectedStatStats, selectedStatStats_);
    }
    const std::string& fileName() const { return read(Field::FileName, fileName_); }
    const PointSeries& pointsPersist() const { return read(Field::PointsPersist, pointsPersist_); }
    const PointSeries& pointsSpecial() const { return read(Field::PointsSpecial, pointsSpecial_); }
    const RateSeries& ratesPoints() const { return read(Field::RatesPoints, ratesPoints_); }
    std::int64_t startTime() const { return read(Field::StartTime, startTime_); }
    /// The span of time the plot window shows, which the windows that follow the plot follow;
    /// empty while it shows the whole file. Every load empties it.
    const std::optional<TimeSpan>& plotSpan() const { return read(Field::PlotSpan, plotSpan_); }

    // Writes. `setFileName`, `setStartTime` and `setPlotSpan` store and notify only when the
    // value differs; every other write notifies, even when it changes nothing.
    void setFileName(std::string name);
    void setStartTime(std::int64_t time);
    void setPlotSpan(std::optional<TimeSpan> span);
    /// An empty table for nullptr.
    void setStatList(std::shared_ptr<const StatTable> table);
    void setSelectedStat(std::optional<StatEntry> entry) {
        write(Field::SelectedStat, selectedStat_, std::move(entry));
    }
    void setSelectedStatStats(std::vector<StatStats> rows) {
        write(Field::SelectedStatStats, selectedStatStats_, std::move(rows));
    }
    void appendSelectedStatStats(StatStats row);
    void setPointsPersist(PointSeries points) {
        write(Field::PointsPersist, pointsPersist_, std::move(points));
    }
    void setPointsSpecial(PointSeries points) {
        write(Field::PointsSpecial, pointsSpecial_, std::move(points));
    }
    void setRatesPoints(RateSeries points) {
        write(Field::RatesPoints, ratesPoints_, std::move(points));
    }

    // Operations.

    /// Puts a finished load into the model, in one step: the name, the lines, the earliest
    /// time and the series. A cancelled load changes nothing; one whose file could not be read
    /// leaves the new name over no lines and no rates, the size series as they were.
    LoadOutcome applyLoad(StatLoad load);
    /// Takes in the lines added to the followed file: `table` holds the lines shown and more
    /// (it `extends` them), and becomes the list in one write. The span shown stays.
    /// Returns false, changing nothing, for a table of another file.
    bool applyGrowth(std::shared_ptr<const StatTable> table);
    /// Reads the file at `path` and applies it, in one call on this thread.
    LoadOutcome loadStatPath(const std::string& path);
    /// Reads `bytes` as the content of a file called `name` and applies it.
    LoadOutcome loadStatBytes(std::string name, std::string_view bytes);
    /// Rebuilds the Persist, Special and rate series from `statList`.
    void buildSeries();
    /// Makes `line`'s record the charted one, with one row per process.
    void selectStat(const StatLine& line);
    /// The charted record's time as "yyyy-MM-dd HH:mm:ssZ", or "date not available".
    std::string selectedDateText() const;

private:
    /// The three series, read from `statList` as it is now.
    void setSeriesOfStatList();

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

    mutable Registrar registrar_;
    UuidGenerator ids_;

    std::shared_ptr<const StatTable> statList_;
    std::optional<StatEntry> selectedStat_;
    std::vector<StatStats> selectedStatStats_;
    std::string fileName_;
    PointSeries pointsPersist_;
    PointSeries pointsSpecial_;
    RateSeries ratesPoints_;
    std::int64_t startTime_ = kInitialStartTime;
    std::optional<TimeSpan> plotSpan_;
};

}  // namespace quill
