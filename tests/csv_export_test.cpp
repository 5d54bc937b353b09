#include "analysis/csv_export.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace quill {
namespace {

using Record = std::vector<std::string>;

/// A strict RFC 4180 reader: records end in CR LF, a field that holds a comma, a quote, CR or
/// LF must be quoted, and a quote inside a quoted field is doubled. Anything else is an error
/// (nullopt), so that a writer which bends the rules fails the test.
std::optional<std::vector<Record>> readCsv(std::string_view text) {
    std::vector<Record> records;
    Record record;
    std::string field;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '"') {
            for (++i;; ++i) {
                if (i >= text.size()) return std::nullopt;
                if (text[i] != '"') {
                    field += text[i];
                } else if (i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
        } else {
            while (i < text.size() && text[i] != ',' && text[i] != '\r') {
                if (text[i] == '"' || text[i] == '\n') return std::nullopt;
                field += text[i++];
            }
        }
        record.push_back(std::move(field));
        field.clear();
        if (i < text.size() && text[i] == ',') {
            ++i;
            continue;
        }
        if (text.substr(i, 2) != "\r\n") return std::nullopt;
        i += 2;
        records.push_back(std::move(record));
        record.clear();
    }
    return records;
}

StatLine line(std::string file, std::int64_t time = 1700000000, std::int64_t bytes = 3000000) {
    StatLine l;
    l.prevDate = Text("22:13:20+0000 2023-11-14");
    l.entryDate = Text("22:14:20+0000 2023-11-14");
    l.duration = "60";
    l.size = "2929 KB";
    l.rate = "50000 B/s";
    l.entry.file = Text(file);
    l.entry.unixTime = time;
    l.entry.totalBytes = bytes;
    return l;
}

const Record kHeader{"previous", "time", "interval_s", "size",
                     "rate",     "file", "unix_time",  "total_bytes"};

TEST(CsvExport, QuotesCommasQuotesAndLineBreaksAndReadsBackFieldByField) {
    const std::vector<std::string> files = {"plain.log",
                                            "a,b.log",
                                            "say \"hi\"",
                                            "two\nlines",
                                            "cr\rlf\r\n",
                                            "\"",
                                            ",",
                                            "",
                                            "caf\xc3\xa9 \xe2\x80\x93 \xf0\x9f\x93\x88",
                                            " spaces kept "};
    std::vector<StatLine> lines;
    for (std::size_t i = 0; i < files.size(); ++i)
        lines.push_back(line(files[i], -static_cast<std::int64_t>(i),
                             std::numeric_limits<std::int64_t>::max()));
    lines[0].prevDate = Text("");
    lines[0].duration.clear();
    lines[0].rate.clear();
    const auto records = readCsv(csvText(lines));
    ASSERT_TRUE(records) << csvText(lines);
    ASSERT_EQ(records->size(), files.size() + 1);
    EXPECT_EQ(records->front(), kHeader);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const StatLine& l = lines[i];
        const Record expected{l.prevDate.str(),
                              l.entryDate.str(),
                              l.duration,
                              l.size,
                              l.rate,
                              files[i],
                              std::to_string(l.entry.unixTime),
                              std::to_string(l.entry.totalBytes)};
        EXPECT_EQ((*records)[i + 1], expected) << i;
    }
}

TEST(CsvExport, PlainFieldsStayUnquotedAndRecordsEndInCrLf) {
    EXPECT_EQ(csvText({line("x.log", 5, -1500)}),
              "previous,time,interval_s,size,rate,file,unix_time,total_bytes\r\n"
              "22:13:20+0000 2023-11-14,22:14:20+0000 2023-11-14,60,2929 KB,50000 B/s,x.log,5,-1500"
              "\r\n");
    EXPECT_EQ(csvText({}), std::string(kCsvHeader) + "\r\n");
}

TEST(CsvExport, WritesOnlyTheRowsGivenInTheirOrder) {
    const std::vector<StatLine> lines = {line("a"), line("b"), line("c")};
    const RowIndices shown{2, 0, 7};  // 7 lies past the list: skipped, not read
    const auto records = readCsv(csvText(lines, &shown));
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 3u);
    EXPECT_EQ((*records)[1][5], "c");
    EXPECT_EQ((*records)[2][5], "a");
    const RowIndices none;
    EXPECT_EQ(csvText(lines, &none), std::string(kCsvHeader) + "\r\n");
}

TEST(CsvExport, LargeExportsArriveInPiecesAndStopWhenTheSinkFails) {
    std::vector<StatLine> lines(30000, line("a \"quoted\", long enough file name.log"));
    std::string joined;
    int pieces = 0;
    EXPECT_TRUE(writeCsv(lines, nullptr, [&](std::string_view chunk) {
        ++pieces;
        joined.append(chunk);
        return true;
    }));
    EXPECT_GT(pieces, 1);
    EXPECT_EQ(joined, csvText(lines));
    const auto records = readCsv(joined);
    ASSERT_TRUE(records);
    EXPECT_EQ(records->size(), lines.size() + 1);

    int calls = 0;
    EXPECT_FALSE(writeCsv(lines, nullptr, [&](std::string_view) {
        ++calls;
        return false;
    }));
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace quill
