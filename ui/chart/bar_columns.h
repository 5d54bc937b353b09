#pragma once

#include <QList>
#include <QString>
#include <cstdint>
#include <vector>

#include "records/records.h"

namespace quill::ui {

/// One x category of the bar chart: a process name and the sizes (KB) and process numbers of
/// the drawn rows that carry it, bottom to top in row order.
struct BarColumn {
    QString process;
    QList<std::int64_t> sizes;
    QList<std::int64_t> numbers;
    friend bool operator==(const BarColumn&, const BarColumn&) = default;
};

/// The rows whose `theCount` lies in [start, start + width), gathered into one column per
/// distinct process text, in order of first appearance. Rows sharing a name stack.
std::vector<BarColumn> barColumns(const std::vector<StatStats>& rows, std::int64_t start,
                                  std::int64_t width);

/// The height of the tallest stack: the highest number of rows any column holds.
qsizetype stackDepth(const std::vector<BarColumn>& columns);

/// The header's size text for a record's total, in whole KB truncated toward zero.
QString totalSizeText(std::int64_t totalBytes);

}  // namespace quill::ui
