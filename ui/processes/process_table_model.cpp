#include "ui/processes/process_table_model.h"

#include <algorithm>
#include <cmath>

#include "analysis/list_filter.h"
#include "ui/qt_text.h"

namespace quill::ui {

namespace {

template <typename T>
int compare(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

/// The figure a column shows, compared exactly: a size's bytes, not its rounded KB.
int compareColumn(const ProcessTotal& a, const ProcessTotal& b, int column) {
    switch (column) {
        case ProcessTableModel::TotalKb:
        case ProcessTableModel::Share:
            return compare(a.bytes, b.bytes);
        case ProcessTableModel::Records:
            return compare(a.records, b.records);
        case ProcessTableModel::PeakKb:
            return compare(a.peakBytes, b.peakBytes);
        case ProcessTableModel::PeakTime:
            return compare(a.peakTime, b.peakTime);
        case ProcessTableModel::FirstSeen:
            return compare(a.first, b.first);
        case ProcessTableModel::LastSeen:
            return compare(a.last, b.last);
        case ProcessTableModel::PersistKb:
        case ProcessTableModel::SpecialKb:
        case ProcessTableModel::OtherKb: {
            const auto category = static_cast<std::size_t>(column - ProcessTableModel::PersistKb);
            return compare(a.byCategory[category], b.byCategory[category]);
        }
        default:
            return 0;
    }
}

QString kbText(const Int128& bytes) {
    return QString::number(clampedToInt64(bytes / 1024));
}

}  // namespace

ProcessTableModel::ProcessTableModel(QObject* parent)
    : QAbstractTableModel(parent), dates_(DateFormatter::Pattern::TimeFirst) {}

void ProcessTableModel::setTotals(std::shared_ptr<const StatTable> table,
                                  std::vector<ProcessTotal> totals) {
    beginResetModel();
    table_ = std::move(table);
    totals_ = std::move(totals);
    allBytes_ = 0;
    for (const ProcessTotal& total : totals_) allBytes_ += total.bytes;
    // The time zone is read once per formatter: a new file takes the zone of now.
    dates_ = DateFormatter(DateFormatter::Pattern::TimeFirst);
    arrange();
    endResetModel();
}

void ProcessTableModel::setNameFilter(const QString& needle) {
    std::string folded = foldNeedle(needle.toStdString());
    if (folded == needle_) return;
    beginResetModel();
    needle_ = std::move(folded);
    arrange();
    endResetModel();
}

void ProcessTableModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= ColumnCount) return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<std::uint32_t> before = rows_;
    sortColumn_ = column;
    order_ = order;
    arrange();
    // The selection and the current row follow their processes to their new places.
    std::vector<int> placeOf(totals_.size(), -1);
    for (std::size_t row = 0; row < rows_.size(); ++row)
        placeOf[rows_[row]] = static_cast<int>(row);
    const QModelIndexList old = persistentIndexList();
    QModelIndexList moved;
    for (const QModelIndex& index : old)
        moved << this->index(placeOf[before[static_cast<std::size_t>(index.row())]],
                             index.column());
    changePersistentIndexList(old, moved);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

std::string_view ProcessTableModel::nameOf(const ProcessTotal& total) const {
    return table_->strings()[total.name];
}

bool ProcessTableModel::before(const ProcessTotal& a, const ProcessTotal& b) const {
    const int order =
        sortColumn_ == Name ? compare(nameOf(a), nameOf(b)) : compareColumn(a, b, sortColumn_);
    if (order != 0) return order_ == Qt::AscendingOrder ? order < 0 : order > 0;
    // Ties in byte order of the names, whichever way the column runs.
    return nameOf(a) < nameOf(b);
}

void ProcessTableModel::arrange() {
    rows_.clear();
    for (std::size_t i = 0; i < totals_.size(); ++i)
        if (needle_.empty() || foldNeedle(nameOf(totals_[i])).find(needle_) != std::string::npos)
            rows_.push_back(static_cast<std::uint32_t>(i));
    std::sort(rows_.begin(), rows_.end(),
              [this](std::uint32_t a, std::uint32_t b) { return before(totals_[a], totals_[b]); });
}

QString ProcessTableModel::processName(int row) const {
    if (row < 0 || row >= rowCount()) return {};
    return toQString(nameOf(totals_[rows_[static_cast<std::size_t>(row)]]));
}

StringTable::Id ProcessTableModel::processId(int row) const {
    return totals_[rows_[static_cast<std::size_t>(row)]].name;
}

int ProcessTableModel::rowOf(StringTable::Id id) const {
    for (std::size_t row = 0; row < rows_.size(); ++row)
        if (totals_[rows_[row]].name == id) return static_cast<int>(row);
    return -1;
}

int ProcessTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ProcessTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ProcessTableModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
    const ProcessTotal& total = totals_[rows_[static_cast<std::size_t>(index.row())]];
    switch (role) {
        case Qt::DisplayRole:
            return text(total, index.column());
        case Qt::ToolTipRole:  // the whole name, where the column is too narrow for it
            return index.column() == Name ? toQString(nameOf(total)) : QVariant();
        case Qt::TextAlignmentRole:
            return index.column() == Name ? QVariant()
                                          : QVariant(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return {};
    }
}

QString ProcessTableModel::text(const ProcessTotal& total, int column) const {
    switch (column) {
        case Name:
            return toQString(nameOf(total));
        case TotalKb:
            return kbText(total.bytes);
        case Share:
            return shareText(total.bytes);
        case Records:
            return QString::number(total.records);
        case PeakKb:
            return kbText(total.peakBytes);
        case PeakTime:
            return timeText(total.peakTime);
        case FirstSeen:
            return timeText(total.first);
        case LastSeen:
            return timeText(total.last);
        case PersistKb:
        case SpecialKb:
        case OtherKb:
            return kbText(total.byCategory[static_cast<std::size_t>(column - PersistKb)]);
        default:
            return {};
    }
}

QString ProcessTableModel::timeText(std::int64_t time) const {
    char buffer[DateFormatter::kMaxLength];
    return QString::fromLatin1(buffer, static_cast<qsizetype>(dates_.format(time, buffer)));
}

QString ProcessTableModel::shareText(const Int128& bytes) const {
    // With no bytes in all, or fewer than none, a share means nothing.
    if (allBytes_ <= 0) return {};
    // Past 2^63 bytes the figures lose digits; the share keeps its first ones.
    double share = 100.0 * static_cast<double>(clampedToInt64(bytes)) /
                   static_cast<double>(clampedToInt64(allBytes_));
    if (std::abs(share) < 0.05) share = 0;  // no "-0.0"
    return QString::number(share, 'f', 1);
}

QVariant ProcessTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static constexpr const char* kTitles[ColumnCount] = {
        "Process",    "Total KB",  "Share %",    "Records",    "Peak KB", "Peak time",
        "First seen", "Last seen", "Persist KB", "Special KB", "Other KB"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(kTitles[section])
                                                 : QVariant();
}

}  // namespace quill::ui
