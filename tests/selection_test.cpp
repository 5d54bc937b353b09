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

/// The charted rows as "process:KB:count ...".
std::string rows(const Quillstat& model) {
    std::string out;
    for (const StatStats& row : model.selectedStatStats())
        out += row.process.str() + ':' + std::to_string(row.sizeBytes) + ':' +
               std::to_string(row.theCount) + ' ';
    return out;
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
    EXPECT_EQ(rows(model), "x:2:1 y:0:2 x:4:3 z:-1:4 ");
}

TEST(SelectStat, ChartingAnotherRecordReplacesEveryRow) {
    Quillstat model;
    model.selectStat(lineWith({{"a", 1}, {"b", 2}, {"c", 3}}));
    const Uuid first = model.selectedStatStats()[0].id;
    model.selectStat(lineWith({{"only", 4096}}));
    ASSERT_EQ(rows(model), "only:4:1 ");
    EXPECT_NE(model.selectedStatStats()[0].id, first);
    // A record without processes empties them too, or the chart would keep the old bars.
    model.selectStat(lineWith({}));
    EXPECT_EQ(rows(model), "");
}

}  // namespace
}  // namespace quill
