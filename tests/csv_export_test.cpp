#include "analysis/csv_export.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/quillstat.h"
#include "tests/support.h"

namespace quill {
namespace {

using test::statLine;

const std::string kHeader = "previous,time,interval_s,size,rate,file,unix_time,total_bytes\r\n";

TEST(CsvExport, QuotesOnlyFieldsThatNeedItDoublingTheirQuotes) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain.log", "plain.log"},
        {"", ""},
        {" spaces kept ", " spaces kept "},
        {"caf\xc3\xa9 \xf0\x9f\x93\x88", "caf\xc3\xa9 \xf0\x9f\x93\x88"},
        {"a,b.log", "\"a,b.log\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\rlf\r\n", "\"cr\rlf\r\n\""},
    };
    for (const auto& [text, field] : cases) {
        std::string out = "x";
        appendCsvField(out, text);
        EXPECT_EQ(out, "x" + field) << text;
    }
}

TEST(CsvExport, WritesTheShownTextsAndNumbersOfTheRowsGivenInTheirOrder) {
    Quillstat model;
    model.loadStatBytes("f.jsonl", statLine(1700000000, 10240, R"(Persist,\"x\"\n.db)") + "\n" +
                                       statLine(1700000060, 3000000, R"(Persist,\"x\"\n.db)") +
                                       "\n" + statLine(-5, -1500, "Other") + "\n");
    const std::string rows[] = {
        ",22:13:20+0000 2023-11-14,,10 KB,,\"Persist,\"\"x\"\"\n.db\",1700000000,10240\r\n",
        "22:13:20+0000 2023-11-14,22:14:20+0000 2023-11-14,60,2929 KB,50000 B/s,"
        "\"Persist,\"\"x\"\"\n.db\",1700000060,3000000\r\n",
        ",23:59:55+0000 1969-12-31,,-1 KB,,Other,-5,-1500\r\n"};
    const StatTable& table = model.statList();
    EXPECT_EQ(csvText(table), kHeader + rows[0] + rows[1] + rows[2]);
    const RowIndices shown{2, 0, 7};  // 7 lies past the list: skipped, not read
    EXPECT_EQ(csvText(table, &shown), kHeader + rows[2] + rows[0]);
    const RowIndices none;
    EXPECT_EQ(csvText(table, &none), kHeader);
    EXPECT_EQ(csvText(StatTable()), kHeader);
}

TEST(CsvExport, LargeExportsArriveInPiecesUntilTheSinkFails) {
    std::string bytes;
    for (int i = 0; i < 30000; ++i)
        bytes += statLine(1000 + i, i, "a \\\"quoted\\\", long enough file name.log") + "\n";
    Quillstat model;
    model.loadStatBytes("f.jsonl", bytes);
    std::vector<std::size_t> pieces;
    // The sink takes two pieces, then fails: the export stops there.
    EXPECT_FALSE(writeCsv(model.statList(), nullptr, [&](std::string_view chunk) {
        pieces.push_back(std::count(chunk.begin(), chunk.end(), '\n'));
        return pieces.size() < 2;
    }));
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_GT(pieces[0], 1000u);
    EXPECT_LT(pieces[0] + pieces[1], 30001u);
}

}  // namespace
}  // namespace quill
