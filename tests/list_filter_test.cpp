#include "analysis/list_filter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/quillstat.h"
#include "tests/support.h"

namespace quill {
namespace {

using test::statLine;

/// A model holding `bytes` as its file.
std::unique_ptr<Quillstat> loaded(const std::string& bytes) {
    auto model = std::make_unique<Quillstat>();
    EXPECT_EQ(model->loadStatBytes("f.jsonl", bytes).status, LoadStatus::Loaded);
    return model;
}

// Texts: 22:13:20+0000 2023-11-14, 22:14:20+0000 2023-11-14 after 60 s at 50000 B/s, -1 KB,
// é (two bytes in UTF-8), a comma, quotes, a line feed and a NUL.
const std::string kLines = statLine(1700000000, 10240, "/var/Persist.db") + "\n" +
                           statLine(1700000060, 3000000, "/var/Persist.db") + "\n" +
                           statLine(1715925600, -1500, "Special \xc3\xa9t\xc3\xa9.log") + "\n" +
                           statLine(1716012000, 0, R"(other,\"quoted\"\n.log\u0000)") + "\n";

TEST(ListFilter, TheIndexFindsWhatTheShownTextsHold) {
    const auto model = loaded(kLines);
    const ListSearchIndex index(model->statList());
    EXPECT_EQ(index.size(), 4u);
    struct Case {
        std::string needle;
        RowIndices rows;
    };
    const Case cases[] = {
        {"", {0, 1, 2, 3}},
        {"2023-11-14", {0, 1}},
        {"22:13:20", {0, 1}},  // the second line's previous time
        {"22:14:20", {1}},     // its own time
        {"60", {1}},           // interval
        {"2929 kB", {1}},      // size
        {"-1 KB", {2}},
        {"50000 b/S", {1}},  // rate
        {".LOG", {2, 3}},    // file
        {"\"quoted\"\n", {3}},
        {std::string("G\0", 2), {3}},  // a NUL is searched like any other byte
        {"PERSIST", {0, 1}},
        {"/VAR/PERSIST.DB", {0, 1}},  // as long as the text
        {"/var/Persist.db/", {}},     // longer
        // Other characters match only as they are: é finds é, É does not.
        {"SPECIAL \xc3\xa9T", {2}},
        {"\xc3\x89", {}},
        // The record's other fields and numbers are not on the row.
        {"stats", {}},
        {"1700000000", {}},
        // Nor is a match made of the end of one text and the start of the next.
        {"KB50000", {}},
        {"2023-11-1422:14", {}},
        {"db\xff", {}},
        {"\xff", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.needle));
        EXPECT_EQ(test::plainFilter(model->statList(), c.needle), c.rows);
        EXPECT_EQ(index.filter(c.needle), c.rows);
        // Rows past the end of the list, from a longer earlier one, are dropped.
        EXPECT_EQ(index.narrow({0, 1, 2, 3, 4, 9}, c.needle), c.rows);
    }
    EXPECT_TRUE(ListSearchIndex().filter("").empty());
    EXPECT_TRUE(ListSearchIndex(StatTable()).filter("a").empty());
}

TEST(ListFilter, NarrowingTypedTextFindsWhatFilteringAfreshFinds) {
    // Lines enough, and varied enough, that each typed character drops some of them.
    std::string bytes;
    for (int i = 0; i < 500; ++i) {
        const std::string n = std::to_string(i * 37 % 1000);
        bytes += statLine(1000 + i * 37 % 1000, i * 13 * 1024,
                          (i % 3 ? "Persist/" : "special/") + n + (i % 2 ? ".LOG" : ".log")) +
                 "\n";
    }
    const auto model = loaded(bytes);
    const ListSearchIndex index(model->statList());
    for (const std::string typed : {"persist/2", "SPECIAL/1", "12 kb", "13 b/s", "9.LoG", "-3"}) {
        RowIndices previous = index.filter("");
        for (std::size_t n = 1; n <= typed.size(); ++n) {
            const std::string needle = typed.substr(0, n);
            ASSERT_TRUE(narrows(typed.substr(0, n - 1), needle));
            previous = index.narrow(previous, needle);
            ASSERT_EQ(previous, test::plainFilter(model->statList(), needle)) << needle;
            ASSERT_EQ(index.filter(needle), previous) << needle;
        }
        EXPECT_FALSE(previous.empty()) << typed;
    }
}

TEST(ListFilter, OnlyAnExtendedNeedleNarrows) {
    EXPECT_TRUE(narrows("", "a"));
    EXPECT_TRUE(narrows("ab", "xaby"));
    EXPECT_TRUE(narrows("Ab", "aB"));
    EXPECT_FALSE(narrows("ab", "a"));  // deleting a character widens the result
    EXPECT_FALSE(narrows("ab", "ba"));
    EXPECT_FALSE(narrows("a", ""));
}

}  // namespace
}  // namespace quill
