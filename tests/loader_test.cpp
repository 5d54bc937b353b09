#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <latch>
#include <mutex>
#include <set>
#include <thread>

#include "analysis/quillstat.h"
#include "tests/support.h"

namespace quill {
namespace {

using test::statLine;

const std::vector<test::Proc> kThree{{"/a/p", 4096}, {"q", 2048}, {"r", 1024}};

/// `count` Persist lines from time `from` on, each with three processes.
std::string persistLines(int count, int from = 100) {
    std::string bytes;
    for (int i = 0; i < count; ++i) bytes += statLine(from + i, i, "Persist/x", kThree) + "\n";
    return bytes;
}

/// Everything a view of the model shows, to tell whether a load changed it.
std::string shown(const Quillstat& model) {
    const std::vector<std::string> lines = test::texts(model.statList());
    return model.fileName() + " " + std::to_string(lines.size()) + " " +
           (lines.empty() ? "" : lines.front() + " " + lines.back()) + " " +
           std::to_string(model.pointsPersist().size()) + " " +
           std::to_string(model.pointsSpecial().size()) + " " +
           std::to_string(model.ratesPoints().size()) + " " + std::to_string(model.startTime());
}

TEST(Load, FillsListAndSeriesInFileOrderSkippingBadLines) {
    Quillstat model;
    // Blank lines, of whatever line ends, are no lines at all; the others that fail are skipped.
    const std::string bytes = statLine(1000, 1024, "Persist/1", kThree) +
                              "\n   \r\n\t\n{\"bad\":1}\n\xff\nnot json\r\n" +
                              statLine(1060, 3000000, "Persist/2", kThree) + "\n";
    EXPECT_EQ(model.loadStatBytes("day.jsonl", bytes).status, LoadStatus::Loaded);
    EXPECT_EQ(model.statList().skippedLines(), 3u);
    EXPECT_EQ(shown(model),
              "day.jsonl 2 |00:16:40+0000 1970-01-01|1 KB|||0|Persist/1|stats|r|1024|/a/p=4096|q="
              "2048|r=1024 00:16:40+0000 1970-01-01|00:17:40+0000 1970-01-01|2929 KB|60|50000 "
              "B/s|48|Persist/2|stats|r|3000000|/a/p=4096|q=2048|r=1024 6 0 2 1000");
}

TEST(Load, AFileOnDiskLoadsAsItsBytesDo) {
    // A line of about 650 KB spans many chunks, and many lines span many more.
    std::vector<test::Proc> many;
    for (int i = 0; i < 20000; ++i) many.push_back({"/p/" + std::to_string(i), i});
    const std::string bytes = statLine(1000, 1, "Persist/long", many) + "\n" + persistLines(30000);
    const test::TempDir dir;
    Quillstat model;
    EXPECT_EQ(model.loadStatPath(dir.write("disk.jsonl", bytes)).status, LoadStatus::Loaded);
    EXPECT_EQ(model.fileName(), "disk.jsonl");
    const std::vector<std::string> fromDisk = test::texts(model.statList());
    ASSERT_EQ(fromDisk.size(), 30001u);
    EXPECT_EQ(model.statList().processCount(0), 20000u);
    model.loadStatBytes("bytes.jsonl", bytes);
    EXPECT_EQ(test::texts(model.statList()), fromDisk);
}

TEST(Load, UnreadableFileEmptiesTheListButKeepsTheOldPoints) {
    Quillstat model;
    model.loadStatBytes("day.jsonl", persistLines(2, 1000));
    model.selectStat(model.statList().line(0));
    test::TempDir dir;
    const std::string secret = dir.write("secret.jsonl", persistLines(2));
    ::chmod(secret.c_str(), 0);
    // A FIFO without a writer would block a plain open() for good.
    const std::pair<std::string, std::string> cases[] = {
        {(dir.path() / "missing.jsonl").string(), "No such file or directory"},
        {test::makeFifo(dir, "fifo.jsonl"), "not a regular file"},
        {"/dev/null", "not a regular file"},
        {::geteuid() == 0 ? "" : secret, "Permission denied"},  // root reads every file
        {dir.path().string(), "is a directory"},
    };
    for (const auto& [path, error] : cases) {
        if (path.empty()) continue;
        SCOPED_TRACE(path);
        const test::Watchdog watchdog;
        const LoadOutcome outcome = model.loadStatPath(path);
        EXPECT_EQ(outcome.status, LoadStatus::ReadFailed);
        EXPECT_EQ(outcome.error, error);
        EXPECT_EQ(model.fileName(), lastPathComponent(path));
    }
    EXPECT_EQ(shown(model), std::string(lastPathComponent(dir.path().string())) + " 0  6 0 0 1000");
    EXPECT_EQ(model.selectedStatStats().size(), 3u);
}

TEST(Load, AnotherLoadReplacesTheListKeepsTheEarliestTimeAndNewIds) {
    Quillstat model;
    model.loadStatBytes("a.jsonl", persistLines(3, 1000));
    const std::shared_ptr<const StatTable> first = model.statListTable();
    model.loadStatBytes("b.jsonl", statLine(5000, 0, "Special/1", kThree) + "\n");
    EXPECT_EQ(shown(model).substr(0, 10), "b.jsonl 1 ");
    EXPECT_EQ(model.pointsSpecial().point(0).time, 4000);
    EXPECT_TRUE(model.pointsPersist().empty() && model.ratesPoints().empty());
    for (const std::string bytes : {"", "\n\n"}) {
        EXPECT_EQ(model.loadStatBytes("empty.jsonl", bytes).status, LoadStatus::Loaded);
        EXPECT_EQ(shown(model), "empty.jsonl 0  0 0 0 1000");
    }
    model.loadStatBytes("a.jsonl", persistLines(3, 1000));
    const StatTable& again = model.statList();
    // A line keeps its id for as long as its table lives; the same bytes loaded again, and
    // the points, get ids of their own.
    std::set<std::array<std::uint8_t, 16>> ids;
    for (const StatTable* table : {first.get(), &again}) {
        for (std::size_t i = 0; i < table->size(); ++i) {
            EXPECT_EQ(table->lineId(i), table->lineId(i));
            EXPECT_EQ(table->rowOf(table->lineId(i)), i);
            ids.insert(table->lineId(i).bytes);
            ids.insert(table->pointId(1, 3 * i).bytes);
            ids.insert(table->pointId(3, i).bytes);
        }
    }
    EXPECT_EQ(ids.size(), 18u);
    EXPECT_EQ(again.rowOf(first->lineId(0)), StatTable::kNone);
    EXPECT_EQ(again.rowOf(again.pointId(3, 0)), StatTable::kNone);
    EXPECT_EQ(test::texts(again), test::texts(*first));
}

// A load stopped part-way, wherever and on however many threads, ends as one stopped at once:
// a failed read shows the new name over no lines and no rates, the rest of the model as it was;
// a cancelled one changes nothing. The last place lies within the last line: the chunk after
// it reads the byte before its start only.
TEST(Load, ALoadStoppedAnywhereEndsAsOneStoppedAtOnce) {
    const std::string bytes = persistLines(20000, 10);
    const test::Watchdog watchdog;
    for (const bool cancel : {false, true}) {
        for (const std::uint64_t at : {std::uint64_t{0}, bytes.size() / 3, bytes.size() - 20}) {
            for (const unsigned threads : {1u, 4u}) {
                SCOPED_TRACE(testing::Message()
                             << (cancel ? "cancel" : "fail") << " at " << at << ", " << threads);
                Quillstat model;
                model.loadStatBytes("before.jsonl", statLine(5000, 0, "Special/1", kThree));
                model.selectStat(model.statList().line(0));
                const std::string before = shown(model);
                LoadControl control;
                const test::HookedSource source(bytes, at, [&] {
                    if (!cancel) return EIO;
                    control.cancel();
                    return 0;
                });
                const LoadOutcome outcome =
                    model.applyLoad(readStatSource("big.jsonl", source, &control, {4096, threads}));
                EXPECT_EQ(outcome.status, cancel ? LoadStatus::Ignored : LoadStatus::ReadFailed);
                EXPECT_EQ(outcome.error, cancel ? "" : "Input/output error");
                EXPECT_EQ(shown(model), cancel ? before : "big.jsonl 0  0 3 0 5000");
                EXPECT_EQ(model.selectedStatStats().size(), 3u);
                EXPECT_LT(control.bytesDone(), bytes.size());
            }
        }
    }
}

TEST(Load, TwoLoadsAtOnceEachReadTheirOwnFile) {
    const std::string a = persistLines(5000, 100);
    const std::string b = statLine(50, 7, "Special/b", kThree) + "\n" + persistLines(7000, 200);
    // Neither read goes on before both loads have begun.
    std::latch bothReading(2);
    const auto meet = [&bothReading] {
        return [&bothReading, once = std::make_shared<std::once_flag>()] {
            std::call_once(*once, [&] { bothReading.arrive_and_wait(); });
            return 0;
        };
    };
    const test::HookedSource sourceA(a, a.size() / 2, meet());
    const test::HookedSource sourceB(b, 0, meet());
    StatLoad loadA;
    StatLoad loadB;
    LoadControl controlB;
    {
        const test::Watchdog watchdog;
        std::thread first([&] { loadA = readStatSource("a.jsonl", sourceA, nullptr, {4096, 2}); });
        loadB = readStatSource("b.jsonl", sourceB, &controlB, {4096, 2});
        first.join();
    }
    ASSERT_EQ(loadA.status, LoadStatus::Loaded);
    ASSERT_EQ(loadB.status, LoadStatus::Loaded);
    EXPECT_GE(controlB.bytesDone(), b.size());
    Quillstat model;
    model.applyLoad(std::move(loadB));
    Quillstat plain;
    plain.loadStatBytes("b.jsonl", b);
    EXPECT_EQ(shown(model), shown(plain));
    EXPECT_EQ(test::texts(model.statList()), test::texts(plain.statList()));
    plain.loadStatBytes("a.jsonl", a);
    EXPECT_EQ(test::texts(*loadA.table), test::texts(plain.statList()));
}

}  // namespace
}  // namespace quill
