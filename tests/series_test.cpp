#include <gtest/gtest.h>

#include "analysis/derivation.h"
#include "tests/support.h"

namespace quill {
namespace {

using test::Proc;

const std::vector<Proc> kThree{{"a", 1023}, {"b", 1024}, {"c", 3072}};

class Series : public ::testing::Test {
protected:
    Quillstat model;
    Derivation derivation;

    void add(std::int64_t time, const std::string& file, const std::vector<Proc>& procs = kThree) {
        model.deriveStatLine(test::entry(time, 3000000, file, procs), derivation);
    }
};

TEST_F(Series, EmptyListStillWritesEverySeriesInOrder) {
    test::AllFields seen(model);
    model.buildSeries();
    EXPECT_EQ(seen.events, (decltype(seen.events){{false, Field::PointsPersist},
                                                  {true, Field::PointsPersist},
                                                  {false, Field::PointsSpecial},
                                                  {true, Field::PointsSpecial},
                                                  {false, Field::RatesPoints},
                                                  {true, Field::RatesPoints}}));
}

TEST_F(Series, PersistLineGivesThreeLabelledPointsAndARatePoint) {
    add(1000, "Persist/1");
    add(1060, "Persist/2");
    model.buildSeries();
    const auto& points = model.pointsPersist();
    ASSERT_EQ(points.size(), 6u);
    EXPECT_EQ(points[3].size, 0);
    EXPECT_EQ(points[4].size, 1);
    EXPECT_EQ(points[5].size, 3);
    EXPECT_EQ(points[3].value.view(), "Persist 1");
    EXPECT_EQ(points[5].value.view(), "Persist 3");
    EXPECT_EQ(points[5].time, 60);
    EXPECT_EQ(points[5].date, 1060.0);
    ASSERT_EQ(model.ratesPoints().size(), 2u);
    EXPECT_EQ(model.ratesPoints()[0].rate, 0);
    EXPECT_EQ(model.ratesPoints()[1].rate, 48);
    EXPECT_EQ(model.ratesPoints()[1].time, 60);
    EXPECT_TRUE(model.pointsSpecial().empty());
}

TEST_F(Series, QualificationNeedsThreeProcessesAndACategory) {
    add(1000, "Persist/short", {{"a", 1}, {"b", 2}});
    add(1001, "Special/short", {{"a", 1}, {"b", 2}});
    add(1002, "Special/1", {{"a", -1500}, {"b", 0}, {"c", 0}, {"d", 99999}, {"e", 1}});
    add(1003, "Signpost/1");
    add(1004, "Special-and-Persist");
    model.buildSeries();
    ASSERT_EQ(model.pointsSpecial().size(), 3u);
    EXPECT_EQ(model.pointsSpecial()[0].size, -1);
    EXPECT_EQ(model.pointsSpecial()[2].value.view(), "Special 3");
    EXPECT_EQ(model.pointsPersist().size(), 3u);
    ASSERT_EQ(model.ratesPoints().size(), 1u);
    // Measured from the short Persist record just before it, which made no point itself.
    EXPECT_EQ(model.ratesPoints()[0].rate, 2929 / 4);
}

TEST_F(Series, TimesCountFromTheEarliestRecordOfAnyLoad) {
    add(5000, "Persist");
    add(4000, "other");
    model.buildSeries();
    EXPECT_EQ(model.pointsPersist()[0].time, 1000);
}

TEST_F(Series, KeepsFileOrderAndNotifiesPerPoint) {
    add(3000, "Persist");
    add(1000, "Special");
    add(2000, "Persist");
    test::AllFields seen(model);
    model.buildSeries();
    EXPECT_EQ(seen.count(Field::PointsPersist), 1u + 6u);
    EXPECT_EQ(seen.count(Field::PointsSpecial), 1u + 3u);
    EXPECT_EQ(seen.count(Field::RatesPoints), 1u + 2u);
    EXPECT_EQ(model.pointsPersist()[0].time, 2000);
    EXPECT_EQ(model.pointsPersist()[3].time, 1000);
}

TEST_F(Series, TimeBeyondSixtyFourBitsSaturates) {
    add(std::numeric_limits<std::int64_t>::min(), "other");
    add(std::numeric_limits<std::int64_t>::max(), "Persist");
    model.buildSeries();
    EXPECT_EQ(model.pointsPersist()[0].time, std::numeric_limits<std::int64_t>::max());
}

}  // namespace
}  // namespace quill
