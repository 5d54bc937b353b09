#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/derivation.h"
#include "analysis/list_filter.h"
#include "analysis/stat_table.h"

namespace quill {

/// The first record of every list export.
inline constexpr std::string_view kCsvHeader =
    "previous,time,interval_s,size,rate,file,unix_time,total_bytes";

/// Appends `text` as one field: as it is, or, when it holds a comma, a double quote, a
/// carriage return or a line feed, between double quotes with each double quote doubled.
void appendCsvField(std::string& out, std::string_view text);

/// Appends the record of one list row, CR LF included: the row's texts as the list shows
/// them (the interval without its unit, which the header names), then the record's time and
/// total size as numbers.
void appendCsvRecord(std::string& out, const StatTable& table, std::size_t i, LineTexts& texts);

/// Receives the export piece by piece; returns false to stop it (a write that failed).
using CsvSink = std::function<bool(std::string_view chunk)>;

enum class CsvHeader { Write, Omit };

/// Writes the list as CSV to `sink`: the header (unless omitted, for a list that continues
/// an earlier one), then one record per line of `lines`, or per
/// index of `rows` when given. UTF-8 without a byte-order mark, CR LF after every record.
/// The text is handed over in pieces of about a megabyte. Returns false when `sink` did.
bool writeCsv(const StatTable& lines, const RowIndices* rows, const CsvSink& sink,
              CsvHeader header = CsvHeader::Write);

/// The whole export as one string.
std::string csvText(const StatTable& lines, const RowIndices* rows = nullptr);

}  // namespace quill
