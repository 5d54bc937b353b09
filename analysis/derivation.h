#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/date_format.h"
#include "analysis/stat_table.h"

namespace quill {

/// The texts and rate that relate a record to the previous one of its category.
struct IntervalFigures {
    std::string duration;
    std::string rate;
    std::int64_t rateInt = 0;
};

/// Figures for a record `interval` seconds after its predecessor (negative when older).
/// Exact for every pair of 64-bit times and byte totals; an interval of 0 gives "0", an empty
/// rate and a rateInt of 0, since no rate exists over no time.
IntervalFigures intervalFigures(std::int64_t unixTime, std::int64_t lastTime,
                                std::int64_t totalBytes, bool persist);

/// The interval and KB rate of a record after its predecessor, as the table keeps them: the
/// interval where it fits in 64 bits (0 where it does not), and the rate as `intervalFigures`
/// gives it.
struct IntervalNumbers {
    std::int64_t interval = 0;
    std::int64_t rateInt = 0;
};
IntervalNumbers intervalNumbers(std::int64_t unixTime, std::int64_t lastTime,
                                std::int64_t totalBytes, bool persist) noexcept;

/// "<kb> KB" for a byte count, KB truncated toward zero.
std::string sizeText(std::int64_t totalBytes);

/// Formats the display texts of a table's lines when they are shown: the previous record's
/// time, the record's time, the interval, the size and the rate. Holds the date formatter, so
/// make one per view or export and keep it: the time zone is read when it is made.
class LineTexts {
public:
    LineTexts() : formatter_(DateFormatter::Pattern::TimeFirst) {}

    std::string entryDate(const StatTable& table, std::size_t i);
    /// Empty for the first line of its category.
    std::string prevDate(const StatTable& table, std::size_t i);
    /// The interval and rate texts; both empty for a line without an interval.
    IntervalFigures figures(const StatTable& table, std::size_t i) const;
    std::string size(const StatTable& table, std::size_t i) const {
        return sizeText(table.totalBytes(i));
    }
    /// The whole display line, with a new record of its own.
    StatLine line(const StatTable& table, std::size_t i);

private:
    DateFormatter formatter_;
};

}  // namespace quill
