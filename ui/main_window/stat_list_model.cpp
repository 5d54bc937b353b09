#include "ui/main_window/stat_list_model.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <limits>

#include "analysis/process_totals.h"
#include "analysis/span_stats.h"
#include "records/wide_int.h"
#include "ui/qt_text.h"

namespace quill::ui {

namespace {

std::size_t decimalLength(std::int64_t value) {
    char digits[24];
    return static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr -
                                    digits);
}

/// Keeps those of `rows` that are among `allowed`; both in list order.
void keepOnly(RowIndices& rows, const RowIndices& allowed) {
    RowIndices both;
    std::set_intersection(rows.begin(), rows.end(), allowed.begin(), allowed.end(),
                          std::back_inserter(both));
    rows = std::move(both);
}

/// Whether line `i`'s time less its previous line's lies beyond 64 bits.
bool overflows(const StatTable& table, std::size_t i) {
    std::int64_t interval = 0;
    return subtractOverflows(table.unixTime(i), table.unixTime(table.previous(i)), &interval);
}

/// Qt counts rows in int; a list longer than that shows its first 2^31 - 1 lines.
int countable(std::size_t lines) {
    return static_cast<int>(std::min<std::size_t>(lines, std::numeric_limits<int>::max()));
}

}  // namespace

StatListModel::StatListModel(const Quillstat& model, QObject* parent)
    : QAbstractListModel(parent), model_(model), table_(std::make_shared<const StatTable>()) {}

void StatListModel::refresh() {
    std::shared_ptr<const StatTable> next = model_.statListTable();
    if (next != table_ && next->extends(*table_)) {
        grow(std::move(next));
        return;
    }
    beginResetModel();
    table_ = std::move(next);
    total_ = countable(table_->size());
    // A new list is filtered afresh: its lines are not the ones the old result indexed.
    index_ = {};
    indexed_ = false;
    if (offeredIndex_ && offeredTable_ == table_) {
        index_ = std::move(*offeredIndex_);
        indexed_ = true;
    }
    offeredTable_ = nullptr;
    offeredIndex_ = nullptr;
    findProcessRows();
    findWindowRows();
    if (isFiltered()) filterNow({});
    durationChars_ = widestDuration();
    endResetModel();
}

void StatListModel::grow(std::shared_ptr<const StatTable> next) {
    const auto from = static_cast<std::size_t>(total_);
    table_ = std::move(next);
    const int total = countable(table_->size());
    const RowIndices added = admit(from, static_cast<std::size_t>(total));
    const int widest = std::max(durationChars_, widestDuration(from));
    const bool wider = widest != durationChars_;
    durationChars_ = widest;
    const int first = rowCount();
    if (added.empty()) {
        total_ = total;
    } else {
        beginInsertRows({}, first, first + static_cast<int>(added.size()) - 1);
        total_ = total;
        if (isFiltered()) shown_.insert(shown_.end(), added.begin(), added.end());
        endInsertRows();
    }
    // The rows shown line their columns up with the new longest interval.
    if (wider && first > 0) Q_EMIT dataChanged(index(0), index(first - 1));
    Q_EMIT grew();
}

RowIndices StatListModel::admit(std::size_t from, std::size_t to) {
    if (process_ && !processId_) processId_ = processId(*table_, *process_);
    RowIndices passing;
    for (std::size_t i = from; i < to; ++i) {
        const auto row = static_cast<std::uint32_t>(i);
        const bool listed = process_ && listsProcess(i);
        const bool within = window_ && window_->contains(table_->unixTime(i));
        if (listed) processRows_.push_back(row);
        if (within) windowRows_.push_back(row);
        if ((!process_ || listed) && (!window_ || within)) passing.push_back(row);
    }
    if (needle_.empty()) {
        // Made again when a filter needs it: the lines it indexed are not all the list's now.
        index_ = {};
        indexed_ = false;
        return passing;
    }
    // The search index has no way to take in lines: it is made again for the whole list,
    // the one cost here that grows with the list rather than with what was added.
    index_ = ListSearchIndex(*table_);
    indexed_ = true;
    RowIndices matching = index_.filter(needle_);
    matching.erase(matching.begin(), std::lower_bound(matching.begin(), matching.end(),
                                                      static_cast<std::uint32_t>(from)));
    keepOnly(matching, passing);
    return matching;
}

bool StatListModel::listsProcess(std::size_t i) const {
    if (!processId_) return false;
    for (std::size_t p = table_->processBegin(i); p < table_->processEnd(i); ++p)
        if (table_->processNameId(p) == *processId_) return true;
    return false;
}

int StatListModel::widestDuration(std::size_t from) const {
    const StatTable& table = *table_;
    std::size_t widest = 0;
    for (std::size_t i = from; i < table.size(); ++i) {
        if (!table.hasInterval(i)) continue;
        const std::int64_t interval = table.interval(i);
        // An interval beyond 64 bits is kept as 0, and written out whole: ask for its text.
        const std::size_t length = interval == 0 && overflows(table, i)
                                       ? texts_.figures(table, i).duration.size()
                                       : decimalLength(interval);
        widest = std::max(widest, length);
    }
    return static_cast<int>(widest) + 2;
}

void StatListModel::setFilter(const std::string& needle) {
    if (needle == needle_) return;
    const std::string previous = needle_;
    beginResetModel();
    needle_ = needle;
    if (isFiltered())
        filterNow(previous);
    else
        shown_ = {};
    endResetModel();
}

void StatListModel::setProcessFilter(std::optional<std::string> name) {
    if (name == process_) return;
    process_ = std::move(name);
    findProcessRows();
    restrict();
}

void StatListModel::setTimeWindow(std::optional<TimeWindow> window) {
    if (window == window_) return;
    window_ = window;
    findWindowRows();
    restrict();
}

void StatListModel::restrict() {
    beginResetModel();
    if (isFiltered())
        filterNow({});
    else
        shown_ = {};
    endResetModel();
}

void StatListModel::findProcessRows() {
    processId_ = process_ ? processId(*table_, *process_) : std::nullopt;
    processRows_ = processId_ ? rowsListing(*table_, *processId_) : RowIndices();
}

void StatListModel::findWindowRows() {
    windowRows_ = window_ ? rowsWithin(*table_, *window_) : RowIndices();
}

void StatListModel::prepareFilter() {
    if (indexed_) return;
    index_ = ListSearchIndex(*table_);
    indexed_ = true;
}

void StatListModel::releaseFilterIndex() {
    if (!needle_.empty()) return;
    index_ = {};
    indexed_ = false;
}

void StatListModel::offerFilterIndex(std::shared_ptr<const StatTable> table,
                                     std::shared_ptr<ListSearchIndex> index) {
    offeredTable_ = std::move(table);
    offeredIndex_ = std::move(index);
}

void StatListModel::filterNow(const std::string& previous) {
    if (needle_.empty()) {
        shown_ = process_ ? processRows_ : windowRows_;
        if (process_ && window_) keepOnly(shown_, windowRows_);
    } else {
        // Narrowing keeps to the rows shown, which are already within the restrictions.
        prepareFilter();
        if (!previous.empty() && narrows(previous, needle_)) {
            shown_ = index_.narrow(shown_, needle_);
        } else {
            shown_ = index_.filter(needle_);
            if (process_) keepOnly(shown_, processRows_);
            if (window_) keepOnly(shown_, windowRows_);
        }
    }
    // Beyond the rows an int can count, lines are not shown at all.
    const auto end =
        std::lower_bound(shown_.begin(), shown_.end(), static_cast<std::uint32_t>(total_));
    shown_.erase(end, shown_.end());
}

std::optional<std::size_t> StatListModel::indexOf(int row) const {
    if (row < 0 || row >= rowCount()) return std::nullopt;
    return isFiltered() ? shown_[static_cast<std::size_t>(row)] : static_cast<std::size_t>(row);
}

std::optional<Uuid> StatListModel::lineId(int row) const {
    const auto index = indexOf(row);
    return index ? std::optional<Uuid>(table_->lineId(*index)) : std::nullopt;
}

std::optional<StatLine> StatListModel::line(int row) const {
    const auto index = indexOf(row);
    return index ? std::optional<StatLine>(texts_.line(*table_, *index)) : std::nullopt;
}

int StatListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return isFiltered() ? static_cast<int>(shown_.size()) : total_;
}

int StatListModel::rowOf(const Uuid& id) const {
    const std::uint32_t index = table_->rowOf(id);
    if (index == StatTable::kNone) return -1;
    if (!isFiltered())
        return index < static_cast<std::uint32_t>(total_) ? static_cast<int>(index) : -1;
    // The rows shown are in list order.
    const auto found = std::lower_bound(shown_.begin(), shown_.end(), index);
    return found != shown_.end() && *found == index ? static_cast<int>(found - shown_.begin()) : -1;
}

QVariant StatListModel::data(const QModelIndex& index, int role) const {
    const auto found = indexOf(index.row());
    if (!found) return {};
    const StatTable& table = *table_;
    const std::size_t i = *found;
    switch (role) {
        case PrevDateRole:
            return toQString(texts_.prevDate(table, i));
        case EntryDateRole:
            return toQString(texts_.entryDate(table, i));
        case DurationRole:
            return toQString(texts_.figures(table, i).duration) + QStringLiteral(" s");
        case SizeRole:
            return toQString(texts_.size(table, i));
        case RateRole:
            return toQString(texts_.figures(table, i).rate);
        case FileRole:
        case Qt::ToolTipRole:  // the whole name, where the row has room for its end only
            return toQString(table.file(i));
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole: {
            const IntervalFigures figures = texts_.figures(table, i);
            return QStringList{toQString(texts_.prevDate(table, i)),
                               QStringLiteral("\u2013"),
                               toQString(texts_.entryDate(table, i)),
                               toQString(figures.duration) + QStringLiteral(" s"),
                               toQString(texts_.size(table, i)),
                               toQString(figures.rate),
                               toQString(table.file(i))}
                .join(QLatin1Char(' '));
        }
        default:
            return {};
    }
}

}  // namespace quill::ui
