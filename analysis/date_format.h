#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace quill {

/// A date and time of day on a wall clock, in the proleptic Gregorian calendar.
struct CivilTime {
    std::int64_t year;         ///< astronomical numbering: 0 is 1 BC
    unsigned month;            ///< 1 to 12
    unsigned day;              ///< 1 to 31
    std::int64_t secondOfDay;  ///< 0 to 86399
};

/// What a wall clock shows `wallSeconds` seconds after it showed 1970-01-01 00:00:00. Any
/// int64 is taken.
CivilTime civilTime(std::int64_t wallSeconds);
/// The wall clock's seconds at the start of `day`.`month`.`year`, counted as `civilTime` counts
/// them; for years within a few hundred billion of now.
std::int64_t wallSeconds(std::int64_t year, unsigned month, unsigned day);

/// Formats instants in the process's local time zone (`TZ` honoured), Gregorian calendar,
/// ASCII digits. The time zone is read when the formatter is made, so make one per load.
///
/// Patterns:
///  - TimeFirst: "HH:mm:ssZ yyyy-MM-dd", e.g. "14:03:27+0100 2024-05-17"
///  - DateFirst: "yyyy-MM-dd HH:mm:ssZ", e.g. "2024-05-17 14:03:27+0100"
/// `yyyy` is the year of the era, at least four digits (so 1 BC is "0001"); `Z` is the offset
/// from UTC as sign, hours and minutes, with seconds appended where the zone's offset has any.
class DateFormatter {
public:
    enum class Pattern { TimeFirst, DateFirst };

    explicit DateFormatter(Pattern pattern);

    /// The text for the instant `unixSeconds` seconds after 1970-01-01 00:00:00 UTC.
    std::string format(std::int64_t unixSeconds);
    /// Same, written into `out` (at least kMaxLength bytes); returns the length written.
    std::size_t format(std::int64_t unixSeconds, char* out);

    /// UTC offset in seconds of the local zone at that instant: the local wall clock shows
    /// `unixSeconds + utcOffset(unixSeconds)`.
    std::int64_t utcOffset(std::int64_t unixSeconds);

    static constexpr std::size_t kMaxLength = 64;

private:
    Pattern pattern_;
    // Offset cache: records arrive mostly in time order, so the offset of the last hour seen
    // answers almost every call without asking the C library.
    std::int64_t cachedHour_ = INT64_MIN;
    std::int64_t cachedOffset_ = 0;
    bool cachedUniform_ = false;
};

}  // namespace quill
