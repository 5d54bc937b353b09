#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "analysis/quillstat.h"
#include "analysis/stat_follow.h"
#include "tests/support.h"

namespace quill {
namespace {

using test::statLine;

const std::vector<test::Proc> kThree{{"/a/p", 4096}, {"q", 2048}, {"r", 1024}};

void append(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app).write(bytes.data(), bytes.size());
}

/// A table's lines, skipped count and earliest time, to compare whole tables.
std::vector<std::string> followed(const StatTable& table) {
    std::vector<std::string> lines = test::texts(table);
    lines.push_back("skipped " + std::to_string(table.skippedLines()) + " earliest " +
                    std::to_string(table.earliestTime()));
    return lines;
}

/// What a load of `bytes` as a whole file shows, up to their last line feed.
std::vector<std::string> wholeLoad(std::string_view bytes) {
    return followed(
        *readStatSource("x", MemorySource(bytes.substr(0, bytes.rfind('\n') + 1))).table);
}

// Whatever byte a writer stops at, the follower shows what a load of the whole file up to its
// last line feed shows: each category's chain carries on, bad lines are counted, a late
// record lowers the earliest time, and a line's first half is never taken for a line.
TEST(Follow, AppendsCutAnywhereEndAsAWholeLoad) {
    const std::string bytes = "\xEF\xBB\xBF" + statLine(1000, 3000000, "Persist/1", kThree) + "\n" +
                              statLine(1010, 5, "Special/1", kThree) + "\n{not json\n" +
                              statLine(1020, 7, "other", {{"z", 1}}) + "\n  \n" +
                              statLine(1060, 3000000, "Persist/2", kThree) + "\n" +
                              statLine(500, 9, "Special/2", kThree) + "\n\xEF\xBB\xBF" +
                              statLine(1120, 1, "Persist/3", kThree) + "\n";
    test::TempDir dir;
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        const std::string path = dir.write("s.jsonl", bytes.substr(0, cut));
        StatLoad load = StatFollower::load(path);
        ASSERT_TRUE(load.follower);
        EXPECT_EQ(followed(*load.table), wholeLoad(bytes.substr(0, cut)));
        std::shared_ptr<const StatTable> table = load.table;
        std::size_t written = cut;
        for (const std::size_t end : {cut + (bytes.size() - cut) / 3, bytes.size()}) {
            append(path, std::string_view(bytes).substr(written, end - written));
            written = end;
            const FollowStep step = load.follower->poll();
            if (step.change == FollowChange::Appended) {
                EXPECT_TRUE(step.table->extends(*table));
                table = step.table;
            } else {
                EXPECT_EQ(step.change, FollowChange::None);
            }
            EXPECT_EQ(followed(*table), wholeLoad(bytes.substr(0, end)));
        }
    }
}

struct ChangeRow {
    const char* name;
    std::function<void(const std::string& path)> change;
    FollowChange seen;
    FollowChange afterAppend;  ///< once a line is added, where the file is there
};

// A file that does not grow as a log does is read again, or waited for. A follower that has
// seen a reason to read the file again says so from then on.
TEST(Follow, ChangesOtherThanAppendsAreToldApart) {
    const std::string first = statLine(1000, 1, "Persist/1", kThree) + "\n";
    const std::string other = statLine(2000, 2, "Special/1", kThree) + "\n";
    const auto write = [](const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    };
    const std::vector<ChangeRow> rows{
        {"truncated", [&](const std::string& p) { write(p, other.substr(0, 9)); },
         FollowChange::Truncated, FollowChange::Truncated},
        {"cut and written anew, longer", [&](const std::string& p) { write(p, other + other); },
         FollowChange::Rewritten, FollowChange::Rewritten},
        {"replaced by rename",
         [&](const std::string& p) {
             write(p + ".new", first + first);
             std::filesystem::rename(p + ".new", p);
         },
         FollowChange::Replaced, FollowChange::Replaced},
        {"vanished", [](const std::string& p) { std::filesystem::remove(p); },
         FollowChange::Vanished, FollowChange::Vanished},
        {"moved away and back",
         [](const std::string& p) {
             std::filesystem::rename(p, p + ".away");
             std::filesystem::rename(p + ".away", p);
         },
         FollowChange::None, FollowChange::Appended},
    };
    for (const ChangeRow& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempDir dir;
        const std::string path = dir.write("s.jsonl", first);
        const StatLoad load = StatFollower::load(path);
        ASSERT_TRUE(load.follower);
        row.change(path);
        EXPECT_EQ(load.follower->poll().change, row.seen);
        if (std::filesystem::exists(path)) append(path, first);
        EXPECT_EQ(load.follower->poll().change, row.afterAppend);
    }
}

}  // namespace
}  // namespace quill
