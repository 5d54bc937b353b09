#include "analysis/derivation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "tests/support.h"

namespace quill {
namespace {

using test::Proc;

constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
const std::vector<Proc> kThree{{"a", 1023}, {"b", 1024}, {"c", 3072}};

/// The points as "time:size:value,...".
std::string shown(const std::vector<PointStats>& points) {
    std::string out;
    for (const auto& p : points)
        out += std::to_string(p.time) + ':' + std::to_string(p.size) + ':' + p.value.str() + ',';
    return out;
}

/// The rate points as "time:rate,...".
std::string shown(const std::vector<RateStats>& rates) {
    std::string out;
    for (const auto& r : rates) out += std::to_string(r.time) + ':' + std::to_string(r.rate) + ',';
    return out;
}

class Derive : public ::testing::Test {
protected:
    test::ScopedTimeZone utc{"UTC"};
    Quillstat model;
    Derivation derivation;

    const StatLine& add(std::int64_t time, std::int64_t bytes, const std::string& file,
                        const std::vector<Proc>& procs = kThree) {
        model.deriveStatLine(test::entry(time, bytes, file, procs), derivation);
        return model.statList().back();
    }
};

TEST_F(Derive, SecondRecordOfACategoryIsMeasuredFromTheFirst) {
    struct Case {
        const char* file;
        std::int64_t first, second;
        const char* duration;
        const char* rate;
        std::int64_t rateInt;
    };
    const Case cases[] = {
        {"x/Persist/1", 1000, 1060, "60", "50000 B/s", 48},  // 3000000 / 1024 = 2929, then / 60
        {"Special/1", 1000, 1060, "60", "50000 B/s", 0},     // only Persist gets a KB rate
        {"other/1", 1000, 1060, "60", "50000 B/s", 0},
        {"Persist", 2000, 1940, "-60", "-50000 B/s", -48},  // an older record
        {"Persist", 1000, 1000, "0", "", 0},                // no rate over no time
        // Such times mark records whose clock was not set: nothing is measured from them.
        {"Persist", 0, 100, "", "", 0},
        {"Persist", -5, 100, "", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file << ' ' << c.first << " to " << c.second);
        derivation = Derivation();
        const StatLine& first = add(c.first, 10, c.file);
        EXPECT_TRUE(first.prevDate.empty() && first.duration.empty() && first.rate.empty());
        const Text firstDate = first.entryDate;
        const StatLine& second = add(c.second, 3000000, c.file);
        EXPECT_EQ(second.duration, c.duration);
        EXPECT_EQ(second.rate, c.rate);
        EXPECT_EQ(second.rateInt, c.rateInt);
        EXPECT_EQ(second.size, "2929 KB");
        EXPECT_EQ(second.prevDate.view(), firstDate.view());
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

TEST(Derivation, CategoryTestsAreCaseSensitivePersistFirst) {
    EXPECT_EQ(categoryOf("Special-Persist"), Category::Persist);
    EXPECT_EQ(categoryOf("Persist-Special"), Category::Persist);
    EXPECT_EQ(categoryOf("persist"), Category::Other);
    EXPECT_EQ(categoryOf("/x/Special/y"), Category::Special);
}

TEST(Derivation, SizesTruncateTowardZero) {
    EXPECT_EQ(sizeText(1023), "0 KB");
    EXPECT_EQ(sizeText(1024), "1 KB");
    EXPECT_EQ(sizeText(-1500), "-1 KB");
    EXPECT_EQ(sizeText(kMin), "-9007199254740992 KB");
}

TEST(Derivation, IntervalFiguresStayExactWhereSixtyFourBitsOverflow) {
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
    // 2^63 seconds, one more than 64 bits hold: INT64_MIN bytes over it are exactly -1 B/s.
    f = intervalFigures(kMax, -1, kMin, false);
    EXPECT_EQ(f.duration, "9223372036854775808");
    EXPECT_EQ(f.rate, "-1 B/s");
}

TEST_F(Derive, PersistLineGivesThreeLabelledPointsAndARatePoint) {
    add(1000, 3000000, "Persist/1");
    add(1060, 3000000, "Persist/2");
    model.buildSeries();
    ASSERT_EQ(shown(model.pointsPersist()),
              "0:0:Persist 1,0:1:Persist 2,0:3:Persist 3,"
              "60:0:Persist 1,60:1:Persist 2,60:3:Persist 3,");
    EXPECT_EQ(model.pointsPersist()[5].date, 1060.0);
    EXPECT_EQ(shown(model.ratesPoints()), "0:0,60:48,");
    EXPECT_TRUE(model.pointsSpecial().empty());
}

TEST_F(Derive, SeriesNeedThreeProcessesAndACategory) {
    add(1000, 3000000, "Persist/short", {{"a", 1}, {"b", 2}});
    add(1001, 3000000, "Special/short", {{"a", 1}, {"b", 2}});
    add(1002, 3000000, "Special/1", {{"a", -1500}, {"b", 0}, {"c", 0}, {"d", 99999}, {"e", 1}});
    add(1003, 3000000, "Signpost/1");
    add(1004, 3000000, "Special-and-Persist");
    model.buildSeries();
    EXPECT_EQ(shown(model.pointsSpecial()), "2:-1:Special 1,2:0:Special 2,2:0:Special 3,");
    EXPECT_EQ(model.pointsPersist().size(), 3u);
    // Measured from the short Persist record just before it, which made no point itself.
    EXPECT_EQ(shown(model.ratesPoints()), "4:732,");
}

TEST_F(Derive, SeriesKeepFileOrderAndCountFromTheEarliestRecordOfAnyCategory) {
    add(3000, 0, "Persist");
    add(1000, 0, "other");
    add(2000, 0, "Persist");
    add(2500, 0, "Special");
    model.buildSeries();
    EXPECT_EQ(model.startTime(), 1000);
    EXPECT_EQ(model.pointsPersist()[0].time, 2000);
    EXPECT_EQ(model.pointsPersist()[3].time, 1000);
    EXPECT_EQ(model.pointsSpecial()[0].time, 1500);
}

TEST_F(Derive, SeriesTimeBeyondSixtyFourBitsSaturates) {
    add(kMin, 0, "other");
    add(kMax, 0, "Persist");
    model.buildSeries();
    EXPECT_EQ(model.pointsPersist()[0].time, kMax);
}

}  // namespace
}  // namespace quill
