#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace quill {

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

    static constexpr std::size_t kMaxLength = 64;

private:
    /// UTC offset in seconds of the local zone at that instant.
    std::int64_t utcOffset(std::int64_t unixSeconds);

    Pattern pattern_;
    // Offset cache: records arrive mostly in time order, so the offset of the last hour seen
    // answers almost every call without asking the C library.
    std::int64_t cachedHour_ = INT64_MIN;
    std::int64_t cachedOffset_ = 0;
    bool cachedUniform_ = false;
};

}  // namespace quill
