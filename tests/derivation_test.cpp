#include "analysis/derivation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "tests/support.h"

namespace quill {
namespace {

using test::entry;

class Derive : public ::testing::Test {
protected:
    test::ScopedTimeZone utc{"UTC"};
    Quillstat model;
    Derivation derivation;

    const StatLine& add(std::int64_t time, std::int64_t bytes, const std::string& file) {
        model.deriveStatLine(entry(time, bytes, file), derivation);
        return model.statList().back();
    }
};

TEST_F(Derive, FirstRecordOfACategoryHasNoPredecessor) {
    const StatLine& line = add(1700000000, 2048, "Persist/a");
    EXPECT_EQ(line.prevDate.view(), "");
    EXPECT_EQ(line.duration, "");
    EXPECT_EQ(line.rate, "");
    EXPECT_EQ(line.rateInt, 0);
    EXPECT_EQ(line.entryDate.view(), "22:13:20+0000 2023-11-14");
    EXPECT_EQ(line.chartDate, 1700000000.0);
    EXPECT_EQ(line.size, "2 KB");
    EXPECT_FALSE(line.id.isNull());
}

TEST_F(Derive, PersistPairGivesDurationRateAndKilobyteRate) {
    const Text first = add(1000, 10, "x/Persist/1").entryDate;
    const StatLine& second = add(1060, 3000000, "x/Persist/2");
    EXPECT_EQ(second.duration, "60");
    EXPECT_EQ(second.rate, "50000 B/s");
    EXPECT_EQ(second.rateInt, 48);  // 3000000 / 1024 = 2929, then / 60
    EXPECT_EQ(second.prevDate.view(), first.view());
}

TEST_F(Derive, OnlyPersistRecordsGetAKilobyteRate) {
    for (const char* file : {"Special/1", "other/1"}) {
        SCOPED_TRACE(file);
        add(1000, 10, file);
        const StatLine& second = add(1060, 3000000, file);
        EXPECT_EQ(second.duration, "60");
        EXPECT_EQ(second.rate, "50000 B/s");
        EXPECT_EQ(second.rateInt, 0);
    }
}

TEST_F(Derive, CategoriesFormSeparateChains) {
    add(1000, 0, "Persist");
    add(1030, 0, "Special");
    add(1040, 0, "other");
    const StatLine& persist = add(1100, 0, "Persist");
    EXPECT_EQ(persist.duration, "100");
    EXPECT_EQ(persist.prevDate.view(), "00:16:40+0000 1970-01-01");
}

TEST_F(Derive, CategoryTestsAreCaseSensitivePersistFirst) {
    EXPECT_EQ(categoryOf("Special-Persist"), Category::Persist);
    EXPECT_EQ(categoryOf("Persist-Special"), Category::Persist);
    EXPECT_EQ(categoryOf("persist"), Category::Other);
    EXPECT_EQ(categoryOf("/x/Special/y"), Category::Special);
}

TEST_F(Derive, SizesTruncateTowardZero) {
    EXPECT_EQ(sizeText(1023), "0 KB");
    EXPECT_EQ(sizeText(1024), "1 KB");
    EXPECT_EQ(sizeText(-1500), "-1 KB");
    EXPECT_EQ(sizeText(std::numeric_limits<std::int64_t>::min()), "-9007199254740992 KB");
}

TEST_F(Derive, OlderRecordGetsANegativeInterval) {
    add(2000, 0, "Persist");
    const StatLine& older = add(1940, 3000000, "Persist");
    EXPECT_EQ(older.duration, "-60");
    EXPECT_EQ(older.rate, "-50000 B/s");
    EXPECT_EQ(older.rateInt, -48);
}

TEST_F(Derive, RecordAtTimeZeroOrBeforeStartsTheChainAgain) {
    add(0, 0, "Persist");
    const StatLine& next = add(100, 5000, "Persist");
    EXPECT_EQ(next.duration, "");
    EXPECT_EQ(next.rate, "");
    EXPECT_EQ(next.prevDate.view(), "00:00:00+0000 1970-01-01");
}

TEST_F(Derive, SameTimeGivesZeroDurationAndNoRate) {
    add(1000, 0, "Persist");
    const StatLine& same = add(1000, 5000, "Persist");
    EXPECT_EQ(same.duration, "0");
    EXPECT_EQ(same.rate, "");
    EXPECT_EQ(same.rateInt, 0);
}

TEST(IntervalFigures, StayExactWhereSixtyFourBitsOverflow) {
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    auto f = intervalFigures(kMin, kMax, 1, true);
    EXPECT_EQ(f.duration, "-18446744073709551615");
    EXPECT_EQ(f.rate, "0 B/s");
    EXPECT_EQ(f.rateInt, 0);
    // INT64_MIN bytes over -1 second.
    f = intervalFigures(1, 2, kMin, true);
    EXPECT_EQ(f.rate, "9223372036854775808 B/s");
    EXPECT_EQ(f.rateInt, 9007199254740992);
    f = intervalFigures(kMax, 1, kMax, false);
    EXPECT_EQ(f.duration, "9223372036854775806");
    EXPECT_EQ(f.rate, "1 B/s");
}

TEST_F(Derive, StartTimeOnlyFalls) {
    test::AllFields seen(model);
    add(2000, 0, "a");
    add(3000, 0, "a");
    add(1500, 0, "b");
    EXPECT_EQ(model.startTime(), 1500);
    EXPECT_EQ(seen.count(Field::StartTime), 2u);
    EXPECT_EQ(seen.count(Field::StatList), 3u);
    // The earlier time is stored before its line is appended.
    EXPECT_EQ(seen.events[0].second, Field::StartTime);
}

}  // namespace
}  // namespace quill
