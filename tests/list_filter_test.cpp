#include "analysis/list_filter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quill {
namespace {

StatLine line(std::string prev, std::string date, std::string duration, std::string size,
              std::string rate, std::string file) {
    StatLine l;
    l.prevDate = Text(prev);
    l.entryDate = Text(date);
    l.duration = std::move(duration);
    l.size = std::move(size);
    l.rate = std::move(rate);
    l.entry.file = Text(file);
    l.entry.type = Text("TypeOnly");
    l.entry.record = Text("RecordOnly");
    l.entry.unixTime = 987654321;
    return l;
}

const std::vector<StatLine> kLines = {
    line("", "22:13:20+0000 2023-11-14", "", "10 KB", "", "/var/Persist.db"),
    line("22:13:20+0000 2023-11-14", "22:14:20+0000 2023-11-14", "60", "2929 KB", "50000 B/s",
         "/var/Persist.db"),
    line("", "07:00:00+0100 2024-05-17", "", "-1 KB", "", "Special \xc3\xa9t\xc3\xa9.log"),
    line("", "08:00:00+0100 2024-05-18", "", "0 KB", "", "other,\"quoted\"\n.log"),
};

RowIndices rows(std::string_view needle) {
    return filterRows(kLines, needle);
}

TEST(ListFilter, EveryShownTextIsSearchedAndNothingElse) {
    EXPECT_EQ(rows("2023-11-14"), (RowIndices{0, 1}));
    EXPECT_EQ(rows("22:13:20"), (RowIndices{0, 1}));  // the second line's previous time
    EXPECT_EQ(rows("22:14:20"), (RowIndices{1}));     // its own time
    EXPECT_EQ(rows("60"), (RowIndices{1}));           // interval
    EXPECT_EQ(rows("2929 KB"), (RowIndices{1}));      // size
    EXPECT_EQ(rows("-1 KB"), (RowIndices{2}));
    EXPECT_EQ(rows("50000 B/s"), (RowIndices{1}));  // rate
    EXPECT_EQ(rows(".log"), (RowIndices{2, 3}));    // file
    EXPECT_EQ(rows("\"quoted\"\n"), (RowIndices{3}));
    // The record's other fields and numbers are not on the row.
    EXPECT_TRUE(rows("TypeOnly").empty());
    EXPECT_TRUE(rows("RecordOnly").empty());
    EXPECT_TRUE(rows("987654321").empty());
    // Nor is a match made of the end of one text and the start of the next.
    EXPECT_TRUE(rows("KB50000").empty());
    EXPECT_TRUE(rows("2023-11-1422:14").empty());
    EXPECT_TRUE(rows("no such text").empty());
}

TEST(ListFilter, EmptyNeedleKeepsEveryRow) {
    EXPECT_EQ(rows(""), (RowIndices{0, 1, 2, 3}));
    EXPECT_TRUE(filterRows({}, "").empty());
    EXPECT_TRUE(filterRows({}, "x").empty());
}

TEST(ListFilter, AsciiLettersIgnoreCaseOtherCharactersMatchExactly) {
    for (const char* needle : {"persist", "PERSIST", "pErSiSt.DB", "/VAR/"})
        EXPECT_EQ(rows(needle), (RowIndices{0, 1})) << needle;
    EXPECT_EQ(rows("b/S"), (RowIndices{1}));
    EXPECT_EQ(rows("kb"), (RowIndices{0, 1, 2, 3}));
    // Non-ASCII letters are compared as they are: é finds é, É does not.
    EXPECT_EQ(rows("\xc3\xa9t\xc3\xa9"), (RowIndices{2}));
    EXPECT_EQ(rows("SPECIAL \xc3\xa9T"), (RowIndices{2}));
    EXPECT_TRUE(rows("\xc3\x89t\xc3\x89").empty());
    // A needle as long as the text, and one longer.
    EXPECT_EQ(rows("/VAR/PERSIST.DB"), (RowIndices{0, 1}));
    EXPECT_TRUE(rows("/var/Persist.db/").empty());
    EXPECT_TRUE(lineMatches(kLines[0], "10 kb"));
    EXPECT_FALSE(lineMatches(kLines[0], "20 kb"));
}

TEST(ListFilter, NarrowingFromThePreviousResultEqualsFilteringAfresh) {
    // Lines enough, and varied enough, that each typed character drops some of them.
    std::vector<StatLine> many;
    for (int i = 0; i < 500; ++i) {
        const std::string n = std::to_string(i * 37 % 1000);
        many.push_back(line(n + ":00", "1" + n, std::to_string(i % 7), n + " KB",
                            std::to_string(i * 13) + " B/s",
                            (i % 3 ? "Persist/" : "special/") + n + (i % 2 ? ".LOG" : ".log")));
    }
    const ListSearchIndex index(many);
    for (const std::string typed : {"persist/2", "SPECIAL/1", "12 kb", "13 b/s", "9.LoG"}) {
        RowIndices previous = filterRows(many, "");
        RowIndices indexed = previous;
        for (std::size_t n = 1; n <= typed.size(); ++n) {
            const std::string needle = typed.substr(0, n);
            ASSERT_TRUE(narrows(typed.substr(0, n - 1), needle));
            previous = narrowRows(many, previous, needle);
            ASSERT_EQ(previous, filterRows(many, needle)) << needle;
            ASSERT_EQ(index.narrow(indexed, needle), previous) << needle;
            ASSERT_EQ(index.filter(needle), previous) << needle;
            indexed = previous;
        }
        EXPECT_FALSE(previous.empty()) << typed;
    }
}

TEST(ListFilter, TheIndexFindsWhatTheLinesHold) {
    const ListSearchIndex index(kLines);
    EXPECT_EQ(index.size(), kLines.size());
    for (const char* needle : {"",          "2023-11-14",
                               "22:13:20",  "60",
                               "2929 KB",   "-1 kb",
                               "50000 b/S", ".log",
                               "PERSIST",   "\"quoted\"\n",
                               "TypeOnly",  "987654321",
                               "KB50000",   "2023-11-1422:14",
                               "db/",       "\xc3\xa9t\xc3\xa9",
                               "\xc3\x89",  "/var/Persist.db/",
                               "\xff",      "db\xff",
                               "x"}) {
        EXPECT_EQ(index.filter(needle), rows(needle)) << needle;
        EXPECT_EQ(index.narrow(rows(""), needle), rows(needle)) << needle;
    }
    // A text may hold a NUL; it is searched like any other byte.
    std::vector<StatLine> nul{line("", "", "", "", "", std::string("a\0b", 3))};
    EXPECT_EQ(ListSearchIndex(nul).filter(std::string("A\0", 2)), (RowIndices{0}));
    EXPECT_EQ(filterRows(nul, std::string("A\0", 2)), (RowIndices{0}));
    EXPECT_TRUE(ListSearchIndex(std::vector<StatLine>{}).filter("").empty());
    EXPECT_TRUE(ListSearchIndex(std::vector<StatLine>{}).filter("a").empty());
}

TEST(ListFilter, OnlyAnExtendedNeedleNarrows) {
    EXPECT_TRUE(narrows("", "a"));
    EXPECT_TRUE(narrows("ab", "xaby"));
    EXPECT_TRUE(narrows("Ab", "aB"));
    EXPECT_FALSE(narrows("ab", "a"));  // deleting a character widens the result
    EXPECT_FALSE(narrows("ab", "ba"));
    EXPECT_FALSE(narrows("a", ""));
}

TEST(ListFilter, NarrowingDropsRowsPastTheEndOfAShorterList) {
    const std::vector<StatLine> shorter(kLines.begin(), kLines.begin() + 2);
    EXPECT_EQ(narrowRows(shorter, RowIndices{0, 1, 2, 3}, "KB"), (RowIndices{0, 1}));
}

}  // namespace
}  // namespace quill
