#include "analysis/loader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "analysis/byte_source.h"
#include "records/line_decoder.h"
#include "tests/support.h"

namespace quill {
namespace {

using test::FailingSource;

using test::loadBytes;
using test::statLine;

const std::vector<test::Proc> kThree{{"/a/p", 4096}, {"q", 2048}, {"r", 1024}};

const std::string kTwoLines =
    statLine(1000, 1024, "Persist/1", kThree) + "\n" + statLine(1060, 3000000, "Persist/2", kThree);

std::vector<std::string> texts(const Quillstat& model) {
    std::vector<std::string> out;
    for (const auto& l : model.statList())
        out.push_back(l.prevDate.str() + "|" + l.entryDate.str() + "|" + l.size + "|" + l.duration +
                      "|" + l.rate + "|" + l.entry.file.str());
    return out;
}

class Load : public ::testing::Test {
protected:
    test::ScopedTimeZone utc{"UTC"};
    Quillstat model;
};

TEST(LastPathComponent, NamesTheFileWithoutItsFolders) {
    EXPECT_EQ(lastPathComponent("/var/log/stats.jsonl"), "stats.jsonl");
    EXPECT_EQ(lastPathComponent("stats.jsonl"), "stats.jsonl");
    EXPECT_EQ(lastPathComponent("/var/log/"), "log");
    EXPECT_EQ(lastPathComponent("/"), "/");
}

TEST_F(Load, CancelNoLocationAndRemoteLocationsChangeNothing) {
    loadBytes(model, kTwoLines, "day.jsonl");
    const auto local = FileLocation::local("/nonexistent/a.jsonl");
    EXPECT_EQ(model.loadStatFile(0, local).status, LoadStatus::Ignored);
    EXPECT_EQ(model.loadStatFile(2, local).status, LoadStatus::Ignored);
    EXPECT_EQ(model.loadStatFile(kResponseOK, std::nullopt).status, LoadStatus::Ignored);
    EXPECT_EQ(model.loadStatFile(kResponseOK, FileLocation::remote("sftp://h/a.jsonl")).status,
              LoadStatus::Ignored);
    EXPECT_EQ(model.fileName(), "day.jsonl");
    EXPECT_EQ(model.statList().size(), 2u);
}

TEST_F(Load, FillsListAndSeriesInFileOrder) {
    const auto outcome = loadBytes(model, kTwoLines, "day.jsonl");
    EXPECT_EQ(outcome.status, LoadStatus::Loaded);
    EXPECT_EQ(model.fileName(), "day.jsonl");
    EXPECT_EQ(
        texts(model),
        (std::vector<std::string>{
            "|00:16:40+0000 1970-01-01|1 KB|||Persist/1",
            "00:16:40+0000 1970-01-01|00:17:40+0000 1970-01-01|2929 KB|60|50000 B/s|Persist/2"}));
    EXPECT_EQ(model.startTime(), 1000);
    EXPECT_EQ(model.pointsPersist().size(), 6u);
    EXPECT_EQ(model.ratesPoints().size(), 2u);
}

TEST_F(Load, BadLinesAreSkippedWithoutBreakingTheChain) {
    const std::string bytes = statLine(1000, 0, "Persist/1") + "\n   \n{\"bad\":1}\n" +
                              statLine(1100, 0, "Persist/2") + "\n";
    loadBytes(model, bytes);
    ASSERT_EQ(model.statList().size(), 2u);
    EXPECT_EQ(model.statList()[1].duration, "100");
}

TEST_F(Load, LinesLongerThanAnyBufferAndManyLinesLoadWhole) {
    std::string bytes;
    std::vector<test::Proc> many;
    for (int i = 0; i < 20000; ++i) many.push_back({"/p/" + std::to_string(i), i});
    bytes += statLine(1000, 1, "Persist/long", many) + "\n";  // ~650 KB: spans chunks
    for (int i = 0; i < 30000; ++i) bytes += statLine(2000 + i, i, "other") + "\n";
    loadBytes(model, bytes);
    ASSERT_EQ(model.statList().size(), 30001u);
    EXPECT_EQ(model.statList()[0].entry.processList.size(), 20000u);
    EXPECT_EQ(model.statList()[30000].entry.unixTime, 31999);
}

TEST_F(Load, UnreadableFileEmptiesTheListButKeepsTheOldPoints) {
    loadBytes(model, kTwoLines);
    model.selectStat(model.statList()[0]);
    test::TempDir dir;
    const std::string secret = dir.write("secret.jsonl", kTwoLines);
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
        const auto outcome = model.loadStatFile(kResponseOK, FileLocation::local(path));
        EXPECT_EQ(outcome.status, LoadStatus::ReadFailed);
        EXPECT_EQ(outcome.error, error);
    }
    EXPECT_EQ(model.fileName(), lastPathComponent(dir.path().string()));
    EXPECT_TRUE(model.statList().empty());
    EXPECT_TRUE(model.ratesPoints().empty());
    EXPECT_EQ(model.pointsPersist().size(), 6u);
    EXPECT_TRUE(model.selectedStat());
    EXPECT_EQ(model.selectedStatStats().size(), 3u);
    EXPECT_EQ(model.startTime(), 1000);
}

TEST_F(Load, AnotherLoadReplacesTheListAndKeepsTheEarliestTime) {
    loadBytes(model, kTwoLines);
    const Uuid firstId = model.statList()[0].id;
    loadBytes(model, statLine(5000, 0, "Special/1", kThree) + "\n");
    ASSERT_EQ(model.statList().size(), 1u);
    EXPECT_EQ(model.startTime(), 1000);
    EXPECT_EQ(model.pointsSpecial()[0].time, 4000);
    EXPECT_TRUE(model.pointsPersist().empty());
    for (const std::string bytes : {"", "\n\n"}) {
        EXPECT_EQ(loadBytes(model, bytes, "empty.jsonl").status, LoadStatus::Loaded);
        EXPECT_EQ(model.fileName(), "empty.jsonl");
        EXPECT_TRUE(model.statList().empty() && model.pointsSpecial().empty());
        EXPECT_EQ(model.startTime(), 1000);
    }
    loadBytes(model, kTwoLines);
    EXPECT_NE(model.statList()[0].id, firstId);
}

TEST_F(Load, AReadFailingPartWayEndsAsOneThatFailedAtOnce) {
    loadBytes(model, statLine(5000, 0, "Special/1", kThree));
    std::string big;
    for (int i = 0; i < 20000; ++i) big += statLine(100 + i, 0, "Persist/x", kThree) + "\n";
    // Far into the file, so that earlier chunks have been derived already.
    const FailingSource source(big, big.size() - 1000);
    const LoadOutcome outcome = model.loadStatSource("big.jsonl", source);
    EXPECT_EQ(outcome.status, LoadStatus::ReadFailed);
    EXPECT_EQ(outcome.error, "Input/output error");
    EXPECT_EQ(model.fileName(), "big.jsonl");
    EXPECT_TRUE(model.statList().empty());
    EXPECT_EQ(model.startTime(), 5000);
}

TEST_F(Load, AFileOnDiskLoadsAsItsBytesDo) {
    test::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 5000; ++i) bytes += statLine(1000 + i, i, "Persist/x", kThree) + "\n";
    const std::string path = dir.write("disk.jsonl", bytes);
    EXPECT_EQ(model.loadStatPath(path).status, LoadStatus::Loaded);
    const std::vector<std::string> fromDisk = texts(model);
    EXPECT_EQ(model.fileName(), "disk.jsonl");
    loadBytes(model, bytes);
    EXPECT_EQ(texts(model), fromDisk);
    EXPECT_EQ(fromDisk.size(), 5000u);
}

}  // namespace
}  // namespace quill
