#include "analysis/date_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "tests/support.h"

// Every test sets TZ to the zone it needs before making a formatter, and puts it back after, so
// the order in which the tests run never matters.

namespace quill {
namespace {

constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

struct Case {
    const char* tz;
    std::int64_t t;
    std::string dateFirst;  ///< the TimeFirst text is the same two halves swapped
};

void expectTexts(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tz) + " @ " + std::to_string(c.t));
        const test::ScopedTimeZone zone(c.tz);
        DateFormatter dateFirst(DateFormatter::Pattern::DateFirst);
        DateFormatter timeFirst(DateFormatter::Pattern::TimeFirst);
        const std::size_t space = c.dateFirst.find(' ');
        EXPECT_EQ(dateFirst.format(c.t), c.dateFirst);
        EXPECT_EQ(timeFirst.format(c.t),
                  c.dateFirst.substr(space + 1) + ' ' + c.dateFirst.substr(0, space));
        // The buffer form must stay within the length callers reserve, and not terminate.
        char buf[DateFormatter::kMaxLength + 1];
        buf[c.dateFirst.size()] = '#';
        EXPECT_EQ(std::string(buf, dateFirst.format(c.t, buf)), c.dateFirst);
        EXPECT_EQ(buf[c.dateFirst.size()], '#');
    }
}

TEST(DateFormat, CalendarZonesAndExtremes) {
    expectTexts({
        {"UTC", 0, "1970-01-01 00:00:00+0000"},
        {"UTC", 1700000000, "2023-11-14 22:13:20+0000"},
        // Negative instants round toward the past, not toward the epoch.
        {"UTC", -1, "1969-12-31 23:59:59+0000"},
        {"UTC", -86401, "1969-12-30 23:59:59+0000"},
        // Divisible by 400 is a leap year, by 100 is not.
        {"UTC", 951782400, "2000-02-29 00:00:00+0000"},
        {"UTC", -2203891200, "1900-03-01 00:00:00+0000"},
        {"UTC", 4107542400, "2100-03-01 00:00:00+0000"},
        // The year widens past four digits instead of wrapping; before year 1 comes 1 BC.
        {"UTC", 253402300800, "10000-01-01 00:00:00+0000"},
        {"UTC", -62135596801, "0001-12-31 23:59:59+0000"},
        // No zone describes these instants, so every zone prints them in UTC.
        {"UTC", kMax, "292277026596-12-04 15:30:07+0000"},
        {"UTC", kMin, "292277022658-01-27 08:29:52+0000"},
        {"America/St_Johns", kMax, "292277026596-12-04 15:30:07+0000"},
        {"<+2459>-24:59:59", kMin, "292277022658-01-27 08:29:52+0000"},
        // Offsets of part of an hour.
        {"Asia/Kathmandu", 1700000000, "2023-11-15 03:58:20+0545"},
        {"America/St_Johns", 1700000000, "2023-11-14 18:43:20-0330"},
        // Local mean time offsets keep their seconds.
        {"Africa/Monrovia", -631152000, "1949-12-31 23:15:30-004430"},
        {"Europe/Amsterdam", -2208988800, "1900-01-01 00:19:32+001932"},
        // Spring forward: 02:00 local does not exist.
        {"America/New_York", 1710053999, "2024-03-10 01:59:59-0500"},
        {"America/New_York", 1710054000, "2024-03-10 03:00:00-0400"},
        // Fall back: 01:00-01:59 local happens twice, told apart by the offset.
        {"America/New_York", 1730613599, "2024-11-03 01:59:59-0400"},
        {"America/New_York", 1730613600, "2024-11-03 01:00:00-0500"},
        // Half-hour shifts, each in the middle of a UTC hour.
        {"Australia/Lord_Howe", 1712415599, "2024-04-07 01:59:59+1100"},
        {"Australia/Lord_Howe", 1712415600, "2024-04-07 01:30:00+1030"},
        {"Australia/Lord_Howe", 1728142199, "2024-10-06 01:59:59+1030"},
        {"Australia/Lord_Howe", 1728142200, "2024-10-06 02:30:00+1100"},
    });
}

// The expected text built from localtime_r's broken-down fields, a calendar independent of the
// formatter's own arithmetic.
std::string libraryText(std::int64_t t) {
    const auto tt = static_cast<std::time_t>(t);
    std::tm tm{};
    localtime_r(&tt, &tm);
    const long offset = std::labs(tm.tm_gmtoff);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d%c%02ld%02ld", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                  tm.tm_gmtoff < 0 ? '-' : '+', offset / 3600, offset / 60 % 60);
    std::string text = buf;
    if (offset % 60 != 0) text += std::to_string(offset % 60 / 10) + std::to_string(offset % 10);
    return text;
}

// Random instants from 1800 to 2200 jump across hours and rule changes, so an offset the
// formatter remembered from one instant must never leak into the next.
TEST(DateFormat, AgreesWithTheCLibrary) {
    std::uniform_int_distribution<std::int64_t> anyTime(-5364662400, 7258118400);
    std::mt19937_64 rng(2024);
    for (const char* tz : {"America/New_York", "Australia/Lord_Howe", "Africa/Monrovia"}) {
        const test::ScopedTimeZone zone(tz);
        DateFormatter f(DateFormatter::Pattern::DateFirst);
        for (int i = 0; i < 3000; ++i) {
            const std::int64_t t = anyTime(rng);
            ASSERT_EQ(f.format(t), libraryText(t)) << tz << " @ " << t;
        }
    }
}

}  // namespace
}  // namespace quill
