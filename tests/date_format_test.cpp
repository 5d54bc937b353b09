#include "analysis/date_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace quill {
namespace {

constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

// Every test picks its own zone; the process's TZ is put back afterwards so the order in which
// tests run never matters.
class DateFormatTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) {
            savedTz_ = tz;
        }
    }

    void TearDown() override {
        if (savedTz_) {
            setenv("TZ", savedTz_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

    static void useZone(const char* tz) { setenv("TZ", tz, 1); }

private:
    std::optional<std::string> savedTz_;
};

struct Case {
    const char* tz;
    std::int64_t t;
    const char* expected;
};

void expectDateFirst(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tz) + " @ " + std::to_string(c.t));
        setenv("TZ", c.tz, 1);
        DateFormatter f(DateFormatter::Pattern::DateFirst);
        EXPECT_EQ(f.format(c.t), c.expected);
    }
}

TEST_F(DateFormatTest, TzDatabaseIsInstalled) {
    for (const char* zone : {"UTC", "America/New_York", "Australia/Lord_Howe", "Africa/Monrovia"}) {
        SCOPED_TRACE(zone);
        std::FILE* file = std::fopen((std::string("/usr/share/zoneinfo/") + zone).c_str(), "rb");
        ASSERT_NE(file, nullptr) << "install the tzdata package";
        std::fclose(file);
    }
}

TEST_F(DateFormatTest, CalendarInUtc) {
    expectDateFirst({
        {"UTC", 0, "1970-01-01 00:00:00+0000"},
        {"UTC", 1700000000, "2023-11-14 22:13:20+0000"},
        // Negative instants round toward the past, not toward the epoch.
        {"UTC", -1, "1969-12-31 23:59:59+0000"},
        {"UTC", -3600, "1969-12-31 23:00:00+0000"},
        {"UTC", -3601, "1969-12-31 22:59:59+0000"},
        {"UTC", -86400, "1969-12-31 00:00:00+0000"},
        {"UTC", -86401, "1969-12-30 23:59:59+0000"},
        // Leap years: divisible by 400 is leap, by 100 is not.
        {"UTC", 951782400, "2000-02-29 00:00:00+0000"},
        {"UTC", 951782400 + 86400, "2000-03-01 00:00:00+0000"},
        {"UTC", -2203891201, "1900-02-28 23:59:59+0000"},
        {"UTC", -2203891200, "1900-03-01 00:00:00+0000"},
        {"UTC", 3981355200, "2096-02-29 12:00:00+0000"},
        {"UTC", 4107542399, "2100-02-28 23:59:59+0000"},
        {"UTC", 4107542400, "2100-03-01 00:00:00+0000"},
        // The year widens past four digits instead of wrapping.
        {"UTC", 253402300799, "9999-12-31 23:59:59+0000"},
        {"UTC", 253402300800, "10000-01-01 00:00:00+0000"},
        {"UTC", 327416976550, "12345-06-07 08:09:10+0000"},
    });
}

TEST_F(DateFormatTest, YearsBeforeTheCommonEraCountBackFromOne) {
    expectDateFirst({
        {"UTC", -62135596800, "0001-01-01 00:00:00+0000"},
        {"UTC", -62135596801, "0001-12-31 23:59:59+0000"},  // year 0 is 1 BC
        {"UTC", -62135640000, "0001-12-31 12:00:00+0000"},
        {"UTC", -62198755200, "0002-01-01 00:00:00+0000"},  // year -1 is 2 BC
    });
}

TEST_F(DateFormatTest, ExtremesOfTheInt64Range) {
    // No zone describes these instants, so every zone prints them in UTC.
    for (const char* tz : {"UTC", "Europe/Paris", "America/St_Johns", "<+2459>-24:59:59"}) {
        expectDateFirst({
            {tz, kMax, "292277026596-12-04 15:30:07+0000"},
            {tz, kMin, "292277022658-01-27 08:29:52+0000"},
        });
    }
}

TEST_F(DateFormatTest, OutputFitsTheDeclaredBufferAndIsNotTerminated) {
    const std::int64_t extremes[] = {kMin, kMin + 1, kMin + 3600, -1, 0, kMax - 3600, kMax};
    for (const char* tz : {"UTC", "Asia/Kathmandu", "America/St_Johns", "<+2459>-24:59:59"}) {
        useZone(tz);
        for (auto pattern :
             {DateFormatter::Pattern::DateFirst, DateFormatter::Pattern::TimeFirst}) {
            DateFormatter f(pattern);
            for (std::int64_t t : extremes) {
                SCOPED_TRACE(std::string(tz) + " @ " + std::to_string(t));
                char buf[DateFormatter::kMaxLength + 8];
                std::fill(std::begin(buf), std::end(buf), '#');
                const std::size_t n = f.format(t, buf);
                ASSERT_LE(n, DateFormatter::kMaxLength);
                EXPECT_EQ(std::string(buf, n), f.format(t));
                EXPECT_EQ(buf[n], '#');
            }
        }
    }
}

TEST_F(DateFormatTest, TimeFirstPattern) {
    const std::vector<Case> cases = {
        {"CET-1", 1715951007, "14:03:27+0100 2024-05-17"},
        {"UTC", -1, "23:59:59+0000 1969-12-31"},
        {"Asia/Kolkata", 0, "05:30:00+0530 1970-01-01"},
        {"America/St_Johns", 1704067200, "20:30:00-0330 2023-12-31"},
        {"UTC", kMax, "15:30:07+0000 292277026596-12-04"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tz) + " @ " + std::to_string(c.t));
        useZone(c.tz);
        DateFormatter f(DateFormatter::Pattern::TimeFirst);
        EXPECT_EQ(f.format(c.t), c.expected);
    }
}

TEST_F(DateFormatTest, FixedAndFractionalOffsets) {
    expectDateFirst({
        {"Europe/Paris", 0, "1970-01-01 01:00:00+0100"},
        {"CET-1", 0, "1970-01-01 01:00:00+0100"},
        {"Asia/Kolkata", 1700000000, "2023-11-15 03:43:20+0530"},
        {"Asia/Kathmandu", 1700000000, "2023-11-15 03:58:20+0545"},
        {"America/St_Johns", 1700000000, "2023-11-14 18:43:20-0330"},
        {"America/St_Johns", 1720000000, "2024-07-03 07:16:40-0230"},
        {"<+0530>-5:30", -1, "1970-01-01 05:29:59+0530"},
        // The local date can differ from the UTC date in both directions.
        {"Pacific/Kiritimati", 1700000000, "2023-11-15 12:13:20+1400"},
        {"Etc/GMT+12", 1700000000, "2023-11-14 10:13:20-1200"},
    });
}

TEST_F(DateFormatTest, LocalMeanTimeOffsetsKeepTheirSeconds) {
    expectDateFirst({
        {"Europe/Amsterdam", -2208988800, "1900-01-01 00:19:32+001932"},
        {"Africa/Monrovia", -631152000, "1949-12-31 23:15:30-004430"},
        {"Africa/Monrovia", -2208988800, "1899-12-31 23:16:52-004308"},
        {"America/New_York", -5364662400, "1799-12-31 19:03:58-045602"},
        // Once the zone moved to whole minutes the seconds disappear again.
        {"Europe/Amsterdam", 0, "1970-01-01 01:00:00+0100"},
    });
}

TEST_F(DateFormatTest, DaylightSavingTransitions) {
    expectDateFirst({
        // Spring forward: 02:00 local does not exist.
        {"America/New_York", 1710053999, "2024-03-10 01:59:59-0500"},
        {"America/New_York", 1710054000, "2024-03-10 03:00:00-0400"},
        // Fall back: 01:00-01:59 local happens twice, told apart by the offset.
        {"America/New_York", 1730613599, "2024-11-03 01:59:59-0400"},
        {"America/New_York", 1730613600, "2024-11-03 01:00:00-0500"},
        {"America/New_York", 1730617199, "2024-11-03 01:59:59-0500"},
        // Half-hour shifts, including one in the middle of a UTC hour.
        {"Australia/Lord_Howe", 1712415599, "2024-04-07 01:59:59+1100"},
        {"Australia/Lord_Howe", 1712415600, "2024-04-07 01:30:00+1030"},
        {"Australia/Lord_Howe", 1728142199, "2024-10-06 01:59:59+1030"},
        {"Australia/Lord_Howe", 1728142200, "2024-10-06 02:30:00+1100"},
        {"America/St_Johns", 1710048599, "2024-03-10 01:59:59-0330"},
        {"America/St_Johns", 1710048600, "2024-03-10 03:00:00-0230"},
        // Southern hemisphere, and a POSIX rule string instead of a tz file.
        {"Australia/Sydney", 1712419199, "2024-04-07 02:59:59+1100"},
        {"Australia/Sydney", 1712419200, "2024-04-07 02:00:00+1000"},
        {"EST5EDT,M3.2.0,M11.1.0", 1710054000, "2024-03-10 03:00:00-0400"},
    });
}

TEST_F(DateFormatTest, ZoneIsReadWhenTheFormatterIsMade) {
    useZone("UTC");
    DateFormatter utc(DateFormatter::Pattern::DateFirst);
    EXPECT_EQ(utc.format(0), "1970-01-01 00:00:00+0000");
    useZone("Asia/Tokyo");
    DateFormatter tokyo(DateFormatter::Pattern::DateFirst);
    EXPECT_EQ(tokyo.format(0), "1970-01-01 09:00:00+0900");
    EXPECT_EQ(tokyo.utcOffset(1700000000), 9 * 3600);
}

// What the C library says for one instant, asked afresh every time.
std::int64_t libraryOffset(std::int64_t t) {
    const auto tt = static_cast<std::time_t>(t);
    std::tm tm{};
    return localtime_r(&tt, &tm) ? static_cast<std::int64_t>(tm.tm_gmtoff) : 0;
}

// The cache must never let one instant's offset leak into another's, whatever the order of the
// instants: forwards through transitions, backwards, and jumping between hours.
TEST_F(DateFormatTest, CachedOffsetsMatchTheLibraryAroundTransitions) {
    const std::vector<std::pair<const char*, std::int64_t>> transitions = {
        {"America/New_York", 1710054000},    {"America/New_York", 1730613600},
        {"Australia/Lord_Howe", 1712415600}, {"Australia/Lord_Howe", 1728142200},
        {"America/St_Johns", 1710048600},    {"Europe/Amsterdam", -1693700372},
        {"Africa/Monrovia", 63593070},       {"America/New_York", -2717650800},
    };
    std::mt19937_64 rng(7);
    for (const auto& [tz, at] : transitions) {
        SCOPED_TRACE(std::string(tz) + " @ " + std::to_string(at));
        useZone(tz);
        DateFormatter f(DateFormatter::Pattern::DateFirst);
        for (std::int64_t t = at - 7200; t <= at + 7200; t += 13) {
            ASSERT_EQ(f.utcOffset(t), libraryOffset(t)) << t;
        }
        for (std::int64_t t = at + 7200; t >= at - 7200; t -= 17) {
            ASSERT_EQ(f.utcOffset(t), libraryOffset(t)) << t;
        }
        std::uniform_int_distribution<std::int64_t> near(at - 3 * 3600, at + 3 * 3600);
        for (int i = 0; i < 2000; ++i) {
            const std::int64_t t = near(rng);
            ASSERT_EQ(f.utcOffset(t), libraryOffset(t)) << t;
        }
    }
}

// Builds the expected text from localtime_r's broken-down fields, a calendar independent of the
// formatter's own arithmetic.
std::string libraryText(std::int64_t t) {
    const auto tt = static_cast<std::time_t>(t);
    std::tm tm{};
    if (localtime_r(&tt, &tm) == nullptr) {
        return "";
    }
    const long long year = tm.tm_year + 1900LL;
    const long offset = tm.tm_gmtoff;
    const long magnitude = offset < 0 ? -offset : offset;
    char buf[96];
    int n =
        std::snprintf(buf, sizeof buf, "%04lld-%02d-%02d %02d:%02d:%02d%c%02ld%02ld",
                      year > 0 ? year : 1 - year, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                      tm.tm_sec, offset < 0 ? '-' : '+', magnitude / 3600, magnitude / 60 % 60);
    if (magnitude % 60 != 0) {
        n += std::snprintf(buf + n, sizeof buf - static_cast<std::size_t>(n), "%02ld",
                           magnitude % 60);
    }
    return std::string(buf, static_cast<std::size_t>(n));
}

TEST_F(DateFormatTest, AgreesWithTheLibraryAcrossTenThousandYears) {
    // Roughly years -3000 to 7000, well inside what localtime_r handles.
    std::uniform_int_distribution<std::int64_t> anyTime(-156000000000, 159000000000);
    std::mt19937_64 rng(2024);
    for (const char* tz : {"UTC", "Europe/Amsterdam", "America/New_York", "Australia/Lord_Howe",
                           "Asia/Kathmandu", "Africa/Monrovia"}) {
        useZone(tz);
        DateFormatter f(DateFormatter::Pattern::DateFirst);
        for (int i = 0; i < 20000; ++i) {
            const std::int64_t t = anyTime(rng);
            ASSERT_EQ(f.format(t), libraryText(t)) << tz << " @ " << t;
        }
    }
}

}  // namespace
}  // namespace quill
