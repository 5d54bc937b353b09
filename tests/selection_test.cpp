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

TEST(SelectStat, ChartingAnotherRecordReplacesEveryRow) {
    Quillstat model;
    model.selectStat(lineWith({{"a", 1}, {"b", 2}, {"c", 3}}));
    const Uuid first = model.selectedStatStats()[0].id;
    model.selectStat(lineWith({{"only", 4096}}));
    const auto& rows = model.selectedStatStats();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].sizeBytes, 4);
    EXPECT_EQ(rows[0].theCount, 1);
    EXPECT_NE(rows[0].id, first);
    // A record without processes empties them too, or the chart would keep the old bars.
    model.selectStat(lineWith({}));
    EXPECT_TRUE(model.selectedStatStats().empty());
}

}  // namespace
}  // namespace quill
