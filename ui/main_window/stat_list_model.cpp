#include "ui/main_window/stat_list_model.h"

#include <algorithm>
#include <limits>

#include "ui/qt_text.h"

namespace quill::ui {

StatListModel::StatListModel(const Quillstat& model, QObject* parent)
    : QAbstractListModel(parent), model_(model) {}

void StatListModel::refresh() {
    const std::size_t size = model_.statList().size();
    beginResetModel();
    // Qt counts rows in int; a list longer than that shows its first 2^31 - 1 lines.
    total_ = static_cast<int>(std::min<std::size_t>(size, std::numeric_limits<int>::max()));
    // A new list is filtered afresh: its lines are not the ones the old result indexed.
    index_ = {};
    indexed_ = false;
    if (isFiltered()) filterNow({});
    endResetModel();
}

void StatListModel::setFilter(const std::string& needle) {
    if (needle == needle_) return;
    const std::string previous = isFiltered() ? needle_ : std::string();
    beginResetModel();
    needle_ = needle;
    if (isFiltered())
        filterNow(previous);
    else
        shown_ = {};
    endResetModel();
}

void StatListModel::prepareFilter() {
    if (indexed_) return;
    // Lines added since the last refresh are indexed too, but only its rows are shown.
    index_ = ListSearchIndex(model_.statList());
    indexed_ = true;
}

void StatListModel::releaseFilterIndex() {
    if (isFiltered()) return;
    index_ = {};
    indexed_ = false;
}

void StatListModel::filterNow(const std::string& previous) {
    prepareFilter();
    shown_ = !previous.empty() && narrows(previous, needle_) ? index_.narrow(shown_, needle_)
                                                             : index_.filter(needle_);
    // Only the lines of the last refresh are rows; a load since then has not been drawn yet.
    const auto end =
        std::lower_bound(shown_.begin(), shown_.end(), static_cast<std::uint32_t>(total_));
    shown_.erase(end, shown_.end());
}

const StatLine* StatListModel::line(int row) const {
    const auto& list = model_.statList();
    if (row < 0 || row >= rowCount()) return nullptr;
    const std::size_t index = indexOf(row);
    return index < list.size() ? &list[index] : nullptr;
}

int StatListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return isFiltered() ? static_cast<int>(shown_.size()) : total_;
}

int StatListModel::rowOf(const Uuid& id) const {
    const auto& list = model_.statList();
    const int rows = rowCount();
    for (int row = 0; row < rows; ++row) {
        const std::size_t index = indexOf(row);
        if (index < list.size() && list[index].id == id) return row;
    }
    return -1;
}

QVariant StatListModel::data(const QModelIndex& index, int role) const {
    const StatLine* l = line(index.row());
    if (!l) return {};
    switch (role) {
        case PrevDateRole:
            return toQString(l->prevDate);
        case EntryDateRole:
            return toQString(l->entryDate);
        case DurationRole:
            return toQString(l->duration) + QStringLiteral(" s");
        case SizeRole:
            return toQString(l->size);
        case RateRole:
            return toQString(l->rate);
        case FileRole:
            return toQString(l->entry.file);
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return QStringList{
                toQString(l->prevDate),  QStringLiteral("\u2013"),
                toQString(l->entryDate), toQString(l->duration) + QStringLiteral(" s"),
                toQString(l->size),      toQString(l->rate),
                toQString(l->entry.file)}
                .join(QLatin1Char(' '));
        default:
            return {};
    }
}

}  // namespace quill::ui
