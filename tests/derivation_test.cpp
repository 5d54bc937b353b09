#include "analysis/derivation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <tuple>

#include "analysis/process_index.h"
#include "analysis/process_totals.h"
#include "analysis/quillstat.h"
#include "analysis/span_stats.h"
#include "tests/support.h"

namespace quill {
namespace {

using test::Proc;
using test::statLine;

constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
const std::vector<Proc> kThree{{"a", 1023}, {"b", 1024}, {"c", 3072}};

struct Line {
    std::int64_t time;
    std::int64_t bytes;
    std::string file;
    std::vector<Proc> procs = kThree;
};

/// Loads `lines` into `model` as one file.
void load(Quillstat& model, const std::vector<Line>& lines) {
    std::string bytes;
    for (const Line& l : lines) bytes += statLine(l.time, l.bytes, l.file, l.procs) + "\n";
    ASSERT_EQ(model.loadStatBytes("f.jsonl", bytes).status, LoadStatus::Loaded);
}

/// The points as "time:size:value,...".
std::string shown(const PointSeries& points) {
    std::string out;
    for (std::size_t k = 0; k < points.size(); ++k) {
        const PointStats p = points.point(k);
        out += std::to_string(p.time) + ':' + std::to_string(p.size) + ':' + p.value.str() + ',';
    }
    return out;
}

/// The rate points as "time:rate,...".
std::string shown(const RateSeries& rates) {
    std::string out;
    for (std::size_t k = 0; k < rates.size(); ++k)
        out += std::to_string(rates.point(k).time) + ':' + std::to_string(rates.rate(k)) + ',';
    return out;
}

TEST(Derive, SecondRecordOfACategoryIsMeasuredFromTheFirst) {
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
        // Beyond 64 bits the texts stay exact.
        {"Persist", kMin, kMax, "", "", 0},
        {"Persist", 1, kMin, "-9223372036854775809", "0 B/s", 0},
        {"Special", kMax, 1, "-9223372036854775806", "0 B/s", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file << ' ' << c.first << " to " << c.second);
        Quillstat model;
        load(model, {{c.first, 10, c.file}, {c.second, 3000000, c.file}});
        LineTexts texts;
        const StatLine first = texts.line(model.statList(), 0);
        EXPECT_TRUE(first.prevDate.empty() && first.duration.empty() && first.rate.empty());
        const StatLine second = texts.line(model.statList(), 1);
        EXPECT_EQ(second.duration, c.duration);
        EXPECT_EQ(second.rate, c.rate);
        EXPECT_EQ(second.rateInt, c.rateInt);
        EXPECT_EQ(second.size, "2929 KB");
        EXPECT_EQ(second.prevDate.view(), first.entryDate.view());
    }
}

TEST(Derive, CategoriesFormSeparateChains) {
    Quillstat model;
    load(model, {{1000, 0, "Persist"},
                 {1030, 0, "Special"},
                 {1040, 0, "other"},
                 {1100, 0, "Special-and-Persist"},
                 {1200, 0, "persist"}});
    const std::vector<std::string> lines = test::texts(model.statList());
    const std::string persist = "00:16:40+0000 1970-01-01|00:18:20+0000 1970-01-01|0 KB|100|";
    const std::string other = "00:17:20+0000 1970-01-01|00:20:00+0000 1970-01-01|0 KB|160|";
    EXPECT_EQ(lines[3].substr(0, persist.size()), persist);
    EXPECT_EQ(lines[4].substr(0, other.size()), other);
}

TEST(Derive, FiguresStayExactWhereSixtyFourBitsOverflow) {
    EXPECT_EQ(sizeText(-1500), "-1 KB");
    EXPECT_EQ(sizeText(kMin), "-9007199254740992 KB");
    auto f = intervalFigures(kMin, kMax, 1, true);
    EXPECT_EQ(f.duration, "-18446744073709551615");
    EXPECT_EQ(f.rate, "0 B/s");
    // INT64_MIN bytes over -1 second.
    f = intervalFigures(1, 2, kMin, true);
    EXPECT_EQ(f.rate, "9223372036854775808 B/s");
    EXPECT_EQ(f.rateInt, 9007199254740992);
    // 2^63 seconds, one more than 64 bits hold: INT64_MIN bytes over it are exactly -1 B/s.
    f = intervalFigures(kMax, -1, kMin, false);
    EXPECT_EQ(f.duration, "9223372036854775808");
    EXPECT_EQ(f.rate, "-1 B/s");
    EXPECT_EQ(intervalNumbers(1, 2, kMin, true).rateInt, 9007199254740992);
    EXPECT_EQ(intervalNumbers(kMin, kMax, 1, true).interval, 0);
}

TEST(Series, PersistAndSpecialLinesOfThreeProcessesGivePointsInFileOrder) {
    Quillstat model;
    const std::int64_t wide = std::int64_t{1} << 40;
    load(model, {{3000, 3000000, "Persist/short", {{"a", 1}, {"b", 2}}},
                 {1000, 3000000, "Special/short", {{"a", 1}, {"b", 2}}},
                 {2000, 3000000, "Special/1", {{"a", -1500}, {"b", 0}, {"c", 0}, {"d", 9}}},
                 {1003, 3000000, "Signpost/1"},
                 {3060, 3000000, "Special-and-Persist"},
                 // Sizes past 32 bits are kept aside from the narrow ones, and exact.
                 {3120, 0, "Persist/wide", {{"a", kMin}, {"b", wide}, {"c", INT32_MIN}}},
                 {3180, 0, "Persist/edge", {{"a", INT32_MAX}, {"b", INT32_MIN + 1}, {"c", kMax}}}});
    EXPECT_EQ(model.startTime(), 1000);
    EXPECT_EQ(shown(model.pointsSpecial()), "1000:-1:Special 1,1000:0:Special 2,1000:0:Special 3,");
    EXPECT_EQ(shown(model.pointsPersist()),
              "2060:0:Persist 1,2060:1:Persist 2,2060:3:Persist 3,"
              "2120:-9007199254740992:Persist 1,2120:1073741824:Persist 2,2120:-2097152:Persist 3,"
              "2180:2097151:Persist 1,2180:-2097151:Persist 2,2180:9007199254740991:Persist 3,");
    // Measured from the short Persist record before it, which made no point itself.
    EXPECT_EQ(shown(model.ratesPoints()), "2060:48,2120:0,2180:0,");
    EXPECT_EQ(model.pointsPersist().point(3).date, 3120.0);
    const StatTable& table = model.statList();
    const std::int64_t sizes[] = {kMin, wide, INT32_MIN, INT32_MAX, INT32_MIN + 1, kMax};
    for (std::size_t k = 0; k < 6; ++k)
        EXPECT_EQ(table.processSize(table.processBegin(5) + k), sizes[k]) << k;
    EXPECT_EQ(table.entry(5).processList[1].sizeBytes, wide);
}

TEST(Series, TimeBeyondSixtyFourBitsSaturates) {
    Quillstat model;
    load(model, {{kMin, 0, "other"}, {kMax, 0, "Persist"}});
    EXPECT_EQ(model.pointsPersist().point(0).time, kMax);
}

TEST(SelectStat, MakesOneRowPerProcessByItsLastPathComponent) {
    Quillstat model;
    load(model, {{1700000000,
                  9000,
                  "Persist/x",
                  {{"/a/x", 2048}, {"y", 1023}, {"/b/x/", 5000}, {"z", -1500}, {"///", 0}}},
                 {1700000000, 1, "Persist/x", {{"Some App/Agent", 4096}}},
                 {1700000000, 1, "Persist/x", {}}});
    const auto rows = [&] {
        std::string out;
        for (const StatStats& row : model.selectedStatStats())
            out += row.process.str() + ':' + std::to_string(row.sizeBytes) + ':' +
                   std::to_string(row.theCount) + ' ';
        return out;
    };
    EXPECT_EQ(model.selectedDateText(), "date not available");
    model.selectStat(model.statList().line(0));
    EXPECT_EQ(model.selectedStat()->totalBytes, 9000);
    EXPECT_EQ(rows(), "x:2:1 y:0:2 x:4:3 z:-1:4 ///:0:5 ");
    EXPECT_EQ(model.selectedDateText(), "2023-11-14 22:13:20+0000");
    const Uuid first = model.selectedStatStats()[0].id;
    model.selectStat(model.statList().line(1));
    EXPECT_EQ(rows(), "Agent:4:1 ");
    EXPECT_NE(model.selectedStatStats()[0].id, first);
    // A record without processes empties them too, or the chart would keep the old bars.
    model.selectStat(model.statList().line(2));
    EXPECT_EQ(rows(), "");
}

/// The ranked totals as "name bytes records persist/special/other peak@time first-last;".
std::string ranked(const StatTable& table, std::vector<ProcessTotal> totals) {
    rankByBytes(totals, table);
    std::string out;
    const auto n = [](Int128 value) { return std::to_string(clampedToInt64(value)); };
    for (const ProcessTotal& t : totals)
        out += std::string(table.strings()[t.name]) + ' ' + n(t.bytes) + ' ' +
               std::to_string(t.records) + ' ' + n(t.byCategory[0]) + '/' + n(t.byCategory[1]) +
               '/' + n(t.byCategory[2]) + ' ' + n(t.peakBytes) + '@' + std::to_string(t.peakTime) +
               ' ' + std::to_string(t.first) + '-' + std::to_string(t.last) + ';';
    return out;
}

TEST(ProcessTotals, SumEveryOccurrenceExactlyAndRankByBytesThenName) {
    const std::string kMaxText = std::to_string(kMax);
    const std::string kMinText = std::to_string(kMin);
    struct Case {
        const char* what;
        std::vector<Line> lines;
        TimeWindow window;
        std::string expected;
    };
    const Case cases[] = {
        {"twice in one record, ties by bytes, an empty name, byte order",
         {{10, 0, "Persist/1", {{"b", 5}, {"a", 3}, {"b", 4}, {"\u00e9", 9}}},
          {20, 0, "Special/1", {{"a", 6}, {"", 1}, {"z", 9}}},
          {5, 0, "other", {{"a", 0}}}},
         {},
         "a 9 3 3/6/0 6@20 5-20;b 9 1 9/0/0 9@10 10-10;z 9 1 0/9/0 9@20 20-20;"
         "\xc3\xa9 9 1 9/0/0 9@10 10-10; 1 1 0/1/0 1@20 20-20;"},
        {"negative sizes: the least negative record is the peak",
         {{1, 0, "Persist/1", {{"x", -5}}}, {2, 0, "Persist/2", {{"x", -3}, {"x", -1}}}},
         {},
         "x -9 2 -9/0/0 -4@2 1-2;"},
        {"past 64 bits only when shown; the first record with the peak",
         {{3, 0, "Persist/1", {{"w", kMax}, {"v", kMax}}},
          {1, 0, "Persist/2", {{"w", kMax}, {"v", kMax}}},
          {2, 0, "Special/1", {{"w", kMin}, {"w", kMin}}}},
         {},
         "v " + kMaxText + " 2 " + kMaxText + "/0/0 " + kMaxText + "@3 1-3;w -2 3 " + kMaxText +
             '/' + kMinText + "/0 " + kMaxText + "@3 1-3;"},
        {"a window, both ends included",
         {{10, 0, "Persist/1", {{"a", 1}}},
          {20, 0, "Persist/2", {{"a", 2}}},
          {30, 0, "Persist/3", {{"a", 4}, {"b", 8}}},
          {40, 0, "Persist/4", {{"a", 16}}}},
         {20, 30},
         "b 8 1 8/0/0 8@30 30-30;a 6 2 6/0/0 4@30 20-30;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = "{\"bad\": 1}\n";
        for (const Line& l : c.lines)
            bytes += statLine(l.time, l.bytes, l.file, l.procs) + "\nnot json\n";
        Quillstat model;
        model.loadStatBytes("f.jsonl", bytes);
        const StatTable& table = model.statList();
        EXPECT_EQ(ranked(table, processTotals(table, c.window)), c.expected);
        const ProcessIndex index(model.statListTable());
        EXPECT_EQ(ranked(table, index.totals(c.window)), c.expected);
        // Taken in a line at a time, as a followed file grows: the very same totals.
        std::vector<ProcessTotal> grown;
        for (std::size_t row = 0; row < table.size(); ++row)
            addRows(grown, table, row, row + 1, c.window);
        EXPECT_EQ(grown, processTotals(table, c.window));
    }
}

TEST(ProcessIndex, AnyWindowSumsAsReadingEveryLineAgainWould) {
    // Lines out of time order, many at one time, across blocks of summed lines.
    std::string bytes;
    std::uint64_t state = 7;
    const auto next = [&](std::uint64_t below) {
        return ((state = state * 6364136223846793005u + 1442695040888963407u) >> 33) % below;
    };
    for (int i = 0; i < 5000; ++i) {
        std::vector<Proc> procs;
        for (std::uint64_t p = next(4); p > 0; --p)
            procs.push_back(
                {"p" + std::to_string(next(12)), static_cast<long long>(next(5000)) - 100});
        bytes += statLine(1700000000 + static_cast<std::int64_t>(next(100000)), 0,
                          i % 3 ? "Persist/x" : "Special/y", procs) +
                 "\n";
    }
    Quillstat model;
    model.loadStatBytes("f.jsonl", bytes);
    const StatTable& table = model.statList();
    const ProcessIndex index(model.statListTable());
    for (int i = 0; i < 40; ++i) {
        const std::int64_t from = 1700000000 + static_cast<std::int64_t>(next(100000));
        const TimeWindow window{from, from + static_cast<std::int64_t>(next(60000))};
        EXPECT_EQ(ranked(table, index.totals(window)), ranked(table, processTotals(table, window)));
    }
    EXPECT_EQ(ranked(table, index.totals({})), ranked(table, processTotals(table, {})));
    // Split anywhere, in order of first appearance and with each peak's row.
    for (int i = 0; i < 20; ++i) {
        const std::size_t split = next(table.size() + 1);
        const std::int64_t from = 1700000000 + static_cast<std::int64_t>(next(100000));
        const TimeWindow window = i % 2 ? TimeWindow{} : TimeWindow{from, from + 30000};
        std::vector<ProcessTotal> totals;
        addRows(totals, table, 0, split, window);
        addRows(totals, table, split, table.size(), window);
        EXPECT_EQ(totals, processTotals(table, window)) << split;
    }
}

TEST(ProcessIndex, BucketsFollowTheCalendar) {
    // 2024-01-31 23:30 UTC, a Wednesday; 2024-02-01 00:10; 2024-02-05 (a Monday) 12:00.
    Quillstat model;
    model.loadStatBytes("f.jsonl",
                        statLine(1706743800, 0, "Persist/1", {{"a", 1}, {"b", 2}}) + "\n" +
                            statLine(1706746200, 0, "Persist/2", {{"a", 4}, {"c", 8}}) + "\n" +
                            statLine(1707134400, 0, "Special/1", {{"c", 16}}) + "\n");
    const ProcessIndex index(model.statListTable());
    const auto shown = [&](BucketUnit unit, std::size_t top) {
        const ProcessBuckets b = index.buckets({}, top, unit);
        std::string out;
        for (const StringTable::Id name : b.processes)
            out += std::string(index.table().strings()[name]) + ' ';
        for (std::size_t k = 0; k < b.buckets(); ++k) {
            out += '|' + std::to_string(b.starts[k]);
            for (std::size_t j = 0; j < b.series(); ++j)
                out += ' ' + std::to_string(clampedToInt64(b.at(k, j)));
        }
        return out + '|' + std::to_string(b.starts.back());
    };
    // Every bucket from the first record's to the last's, the empty ones too.
    EXPECT_EQ(shown(BucketUnit::Month, 2), "c a |1704067200 0 1 2|1706745600 24 4 0|1709251200");
    EXPECT_EQ(shown(BucketUnit::Week, 1), "c |1706486400 8 7|1707091200 16 0|1707696000");
    const ProcessBuckets days = index.buckets({}, 8, BucketUnit::Day);
    EXPECT_EQ(days.buckets(), 6u);
    EXPECT_EQ(days.starts.front(), 1706659200);
    EXPECT_EQ(bucketUnitFor(3600 * 24, 120), BucketUnit::Hour);
    EXPECT_EQ(bucketUnitFor(std::int64_t{86400} * 365 * 30, 120), BucketUnit::Month);
}

/// A window's figures as "records KB rate-mean/peak/count interval-least/mean/greatest/count
/// rows-within"; an interval past 64 bits wraps the least one to the int64 limit.
TEST(SpanStats, SumTheRecordsOfAWindowExactly) {
    const std::vector<Line> mixed{{100, 10240, "Persist/1"},      {110, 2048, "Special/1"},
                                  {120, 204800, "Persist/2"},     {150, 1024, "other"},
                                  {160, 409600, "Persist/3", {}},  // not plotted: no rate
                                  {170, 307200, "Persist/4"},     {200, 5120, "Special/2"}};
    // Sums past 64 bits: wrapped, the mean interval and the KB would differ.
    const std::vector<Line> wide{{kMax, kMax, "Persist/1"},
                                 {1, kMax, "Special/1"},
                                 {kMin, 0, "Persist/2"},
                                 {kMax, 0, "Special/2"}};
    const std::tuple<std::vector<Line>, TimeWindow, const char*> cases[] = {
        {mixed, {171, 199}, "0 0 0/0/0 0/0/0/0 0"},
        {mixed, {100, 100}, "1 10 0/0/1 0/0/0/0 1"},  // the first Persist record plots rate 0
        {mixed, {110, 170}, "5 903 20/30/2 10/23/40/3 5"},
        {wide,
         {},
         "4 18014398509481983 0/0/2 -9223372036854775808/-4611686018427387904/"
         "9223372036854775806/2 4"}};
    for (const auto& [lines, window, expected] : cases) {
        Quillstat model;
        load(model, lines);
        // In two parts, as a followed file's lines come: the same figures as in one.
        const StatTable& table = model.statList();
        SpanStats s = spanStats(table, window);
        if (table.size() > 1) {
            s = {};
            addSpanStats(s, table, 0, table.size() / 2, window);
            addSpanStats(s, table, table.size() / 2, table.size(), window);
        }
        const auto n = [](Int128 value) { return std::to_string(clampedToInt64(value)); };
        EXPECT_EQ(std::to_string(s.records) + ' ' + n(s.kilobytes()) + ' ' + n(s.meanRate()) + '/' +
                      n(s.peakRate) + '/' + n(s.rates) + ' ' + n(s.leastInterval) + '/' +
                      n(s.meanInterval()) + '/' + n(s.greatestInterval) + '/' + n(s.intervals) +
                      ' ' + n(rowsWithin(model.statList(), window).size()),
                  expected);
    }
}

}  // namespace
}  // namespace quill
