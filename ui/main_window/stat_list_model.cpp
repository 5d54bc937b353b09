#include "ui/main_window/stat_list_model.h"

#include <limits>

#include "ui/qt_text.h"

namespace quill::ui {

StatListModel::StatListModel(const Quillstat& model, QObject* parent)
    : QAbstractListModel(parent), model_(model) {}

void StatListModel::refresh() {
    const std::size_t size = model_.statList().size();
    beginResetModel();
    // Qt counts rows in int; a list longer than that shows its first 2^31 - 1 lines.
    rows_ = static_cast<int>(std::min<std::size_t>(size, std::numeric_limits<int>::max()));
    endResetModel();
}

const StatLine* StatListModel::line(int row) const {
    const auto& list = model_.statList();
    if (row < 0 || row >= rows_ || static_cast<std::size_t>(row) >= list.size()) return nullptr;
    return &list[static_cast<std::size_t>(row)];
}

int StatListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
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
