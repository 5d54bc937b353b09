#include "analysis/selection.h"

#include <gtest/gtest.h>

#include "tests/support.h"

namespace quill {
namespace {

StatLine lineWith(const std::vector<test::Proc>& procs) {
    StatLine line;
    line.entry = test::entry(1700000000, 9000, "Persist/x", procs);
    return line;
}

TEST(ShortProcessName, TakesTheLastNonEmptyPiece) {
    EXPECT_EQ(shortProcessName("/usr/libexec/logd"), "logd");
    EXPECT_EQ(shortProcessName("logd"), "logd");
    EXPECT_EQ(shortProcessName("/usr/sbin/"), "sbin");
    EXPECT_EQ(shortProcessName("a//b"), "b");
    EXPECT_EQ(shortProcessName("Some App/Agent"), "Agent");
    EXPECT_EQ(shortProcessName(""), "");
    EXPECT_EQ(shortProcessName("///"), "///");
}

TEST(SelectStat, MakesOneRowPerProcessInOrder) {
    Quillstat model;
    model.selectStat(lineWith({{"/a/x", 2048}, {"y", 1023}, {"/b/x", 5000}, {"z", -1500}}));
    ASSERT_TRUE(model.selectedStat());
    EXPECT_EQ(model.selectedStat()->totalBytes, 9000);
    const auto& rows = model.selectedStatStats();
    ASSERT_EQ(rows.size(), 4u);
    const std::tuple<std::string, std::int64_t, std::int64_t> expected[] = {
        {"x", 2, 1}, {"y", 0, 2}, {"x", 4, 3}, {"z", -1, 4}};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].process.str(), std::get<0>(expected[i]));
        EXPECT_EQ(rows[i].sizeBytes, std::get<1>(expected[i]));
        EXPECT_EQ(rows[i].theCount, std::get<2>(expected[i]));
    }
}

TEST(SelectStat, ChartingAgainGivesNewIdsAndNotifiesAgain) {
    Quillstat model;
    test::AllFields seen(model);
    const StatLine line = lineWith({{"a", 1}, {"b", 2}});
    model.selectStat(line);
    const Uuid first = model.selectedStatStats()[0].id;
    model.selectStat(line);
    EXPECT_NE(model.selectedStatStats()[0].id, first);
    EXPECT_EQ(seen.count(Field::SelectedStat), 2u);
    EXPECT_EQ(seen.count(Field::SelectedStatStats), 2u * (1 + 2));
}

TEST(SelectStat, RecordWithoutProcessesClearsThePreviousRows) {
    Quillstat model;
    model.selectStat(lineWith({{"a", 1}, {"b", 2}}));
    test::AllFields seen(model);
    model.selectStat(lineWith({}));
    EXPECT_TRUE(model.selectedStatStats().empty());
    EXPECT_EQ(seen.count(Field::SelectedStatStats), 1u);
}

TEST(SelectStat, ReplacesAllRowsOfThePreviousRecord) {
    Quillstat model;
    model.selectStat(lineWith({{"a", 1}, {"b", 2}, {"c", 3}}));
    model.selectStat(lineWith({{"only", 4096}}));
    ASSERT_EQ(model.selectedStatStats().size(), 1u);
    EXPECT_EQ(model.selectedStatStats()[0].sizeBytes, 4);
}

}  // namespace
}  // namespace quill
