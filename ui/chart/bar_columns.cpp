#include "ui/chart/bar_columns.h"

#include <QHash>
#include <algorithm>

#include "ui/qt_text.h"

namespace quill::ui {

namespace {

QString processText(const Text& process) {
    QString name = toQString(process);
    // An empty name still needs its own column: a null string would be no category at all.
    if (name.isNull()) name = QString(QLatin1String(""));
    return name;
}

}  // namespace

std::vector<BarColumn> barColumns(const std::vector<StatStats>& rows, std::int64_t start,
                                  std::int64_t width) {
    std::vector<BarColumn> columns;
    QHash<QString, std::size_t> columnOf;
    for (const StatStats& row : rows) {
        // Written as a difference so that no sum can overflow near the ends of the range.
        if (row.theCount < start || row.theCount - start >= width) continue;
        QString name = processText(row.process);
        const auto found = columnOf.constFind(name);
        if (found != columnOf.cend()) {
            columns[*found].sizes.append(row.sizeBytes);
            columns[*found].numbers.append(row.theCount);
            continue;
        }
        columnOf.insert(name, columns.size());
        columns.push_back(BarColumn{std::move(name), {row.sizeBytes}, {row.theCount}});
    }
    return columns;
}

qsizetype stackDepth(const std::vector<BarColumn>& columns) {
    qsizetype depth = 0;
    for (const BarColumn& column : columns) depth = std::max(depth, column.sizes.size());
    return depth;
}

QString totalSizeText(std::int64_t totalBytes) {
    // Integer division truncates toward zero, as the header should: -1025 bytes is -1 KB.
    const std::int64_t kilobytes = totalBytes / 1024;
    return QString::asprintf("%lld KB total size ", static_cast<long long>(kilobytes));
}

}  // namespace quill::ui
