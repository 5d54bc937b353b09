#include "analysis/date_format.h"

#include <cstdint>
#include <limits>

#include "analysis/os.h"

namespace quill {

namespace {

constexpr std::int64_t kSecondsPerHour = 3600;
constexpr std::int64_t kSecondsPerDay = 86400;

// Division rounding toward negative infinity, so instants before 1970 land in the right hour,
// day and era. Safe for every numerator: the divisor is always > 1.
constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

constexpr std::int64_t floorMod(std::int64_t a, std::int64_t b) {
    const std::int64_t r = a % b;
    return r < 0 ? r + b : r;
}

struct CivilDate {
    std::int64_t year;  // proleptic Gregorian, astronomical numbering (0 = 1 BC)
    unsigned month;     // 1..12
    unsigned day;       // 1..31
};

// A proleptic Gregorian date to days since 1970-01-01 (Hinnant's days_from_civil).
constexpr std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    const std::int64_t y = month <= 2 ? year - 1 : year;
    const std::int64_t era = floorDiv(y, 400);
    const auto yoe = static_cast<unsigned>(y - era * 400);                               // [0, 399]
    const unsigned doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;  // [0, 365]
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;  // [0, 146096]
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}
static_assert(daysFromCivil(1970, 1, 1) == 0 && daysFromCivil(2000, 3, 1) == 11017 &&
              daysFromCivil(1969, 12, 31) == -1 && daysFromCivil(0, 3, 1) == -719468);

// Days since 1970-01-01 to a proleptic Gregorian date (Hinnant's civil_from_days). `days`
// stays within about +-1.1e14 for any int64 instant, so every intermediate fits in int64.
constexpr CivilDate civilFromDays(std::int64_t days) {
    const std::int64_t z = days + 719468;  // shift the epoch to 0000-03-01
    const std::int64_t era = floorDiv(z, 146097);
    const auto doe = static_cast<unsigned>(z - era * 146097);                    // [0, 146096]
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // [0, 399]
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);                // [0, 365]
    const unsigned mp = (5 * doy + 2) / 153;  // [0, 11], month counted from March
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = era * 400 + static_cast<std::int64_t>(yoe) + (month <= 2 ? 1 : 0);
    return {year, month, day};
}

// Writes `value` in decimal, left-padded with zeros to `minWidth`; returns the end.
char* writeDigits(char* out, std::uint64_t value, int minWidth) {
    char buf[20];
    int n = 0;
    do {
        buf[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n < minWidth) {
        buf[n++] = '0';
    }
    while (n > 0) {
        *out++ = buf[--n];
    }
    return out;
}

char* writeTwo(char* out, unsigned value) {
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
    return out + 2;
}

char* writeDate(char* out, const CivilDate& date) {
    // Year of era: 1 BC is 1, 2 BC is 2, and so on; 1 - year cannot overflow here.
    const std::int64_t yearOfEra = date.year > 0 ? date.year : 1 - date.year;
    out = writeDigits(out, static_cast<std::uint64_t>(yearOfEra), 4);
    *out++ = '-';
    out = writeTwo(out, date.month);
    *out++ = '-';
    return writeTwo(out, date.day);
}

char* writeClock(char* out, std::int64_t secondOfDay) {
    const auto s = static_cast<unsigned>(secondOfDay);
    out = writeTwo(out, s / 3600);
    *out++ = ':';
    out = writeTwo(out, s / 60 % 60);
    *out++ = ':';
    return writeTwo(out, s % 60);
}

// "+hhmm", or "+hhmmss" when the offset is not a whole minute (local mean time).
char* writeOffset(char* out, std::int64_t offset) {
    *out++ = offset < 0 ? '-' : '+';
    // Offsets are a time zone's, hours at most, far from INT64_MIN.
    const auto magnitude = static_cast<std::uint64_t>(offset < 0 ? -offset : offset);
    out = writeDigits(out, magnitude / 3600, 2);
    out = writeTwo(out, static_cast<unsigned>(magnitude / 60 % 60));
    if (magnitude % 60 != 0) {
        out = writeTwo(out, static_cast<unsigned>(magnitude % 60));
    }
    return out;
}

// Offset reported by the C library, or 0 where the instant is outside what it can represent.
std::int64_t systemOffset(std::int64_t unixSeconds) {
    return os::utcOffsetAt(unixSeconds);
}

}  // namespace

CivilTime civilTime(std::int64_t wallSeconds) {
    const CivilDate date = civilFromDays(floorDiv(wallSeconds, kSecondsPerDay));
    return {date.year, date.month, date.day, floorMod(wallSeconds, kSecondsPerDay)};
}

std::int64_t wallSeconds(std::int64_t year, unsigned month, unsigned day) {
    return daysFromCivil(year, month, day) * kSecondsPerDay;
}

DateFormatter::DateFormatter(Pattern pattern) : pattern_(pattern) {
    // The C library need not re-read TZ, so pick up whatever the caller set before making us.
    os::loadTimeZone();
}

std::int64_t DateFormatter::utcOffset(std::int64_t unixSeconds) {
    const std::int64_t hour = floorDiv(unixSeconds, kSecondsPerHour);
    if (hour != cachedHour_) {
        // The outermost buckets are cut short by the int64 range; clamp instead of overflowing.
        constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
        constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
        const std::int64_t first =
            hour > floorDiv(kMin, kSecondsPerHour) ? hour * kSecondsPerHour : kMin;
        const std::int64_t last =
            hour < floorDiv(kMax, kSecondsPerHour) ? (hour + 1) * kSecondsPerHour - 1 : kMax;
        const std::int64_t firstOffset = systemOffset(first);
        cachedHour_ = hour;
        cachedOffset_ = firstOffset;
        cachedUniform_ = firstOffset == systemOffset(last);
    }
    // Offsets differ across this hour, so a transition lies inside it and only the C library
    // knows which side of it this instant is on. Zones change offset days apart at the closest,
    // so two transitions cancelling out within one hour is not a case worth paying for.
    return cachedUniform_ ? cachedOffset_ : systemOffset(unixSeconds);
}

std::size_t DateFormatter::format(std::int64_t unixSeconds, char* out) {
    const std::int64_t offset = utcOffset(unixSeconds);
    // Split before adding the offset so the sum stays small even at the ends of the int64 range.
    std::int64_t days = floorDiv(unixSeconds, kSecondsPerDay);
    const std::int64_t shifted = floorMod(unixSeconds, kSecondsPerDay) + offset;
    days += floorDiv(shifted, kSecondsPerDay);
    const std::int64_t secondOfDay = floorMod(shifted, kSecondsPerDay);
    const CivilDate date = civilFromDays(days);

    char* p = out;
    if (pattern_ == Pattern::TimeFirst) {
        p = writeOffset(writeClock(p, secondOfDay), offset);
        *p++ = ' ';
        p = writeDate(p, date);
    } else {
        p = writeDate(p, date);
        *p++ = ' ';
        p = writeOffset(writeClock(p, secondOfDay), offset);
    }
    return static_cast<std::size_t>(p - out);
}

std::string DateFormatter::format(std::int64_t unixSeconds) {
    char buf[kMaxLength];
    return std::string(buf, format(unixSeconds, buf));
}

}  // namespace quill
