#include "ui/plot/plot_series.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <numeric>
#include <ranges>

namespace quill::ui {

namespace {

/// The bits of `time` as an unsigned number that orders as the times do.
std::uint64_t orderedBits(double time) {
    const auto bits = std::bit_cast<std::uint64_t>(time);
    return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

/// How many moves per line the insertion sort may make before it gives way to the radix sort.
constexpr std::size_t kMovesPerLine = 4;

/// Sorts `order` by `keys`, moving both, by insertion, stably, unless that takes more than
/// about `budget` moves; returns whether they are sorted. Left unsorted, they are still in an
/// order in which equal keys keep the order they came in.
bool insertionSorted(std::vector<std::uint64_t>& keys, std::vector<std::uint32_t>& order,
                     std::size_t budget) {
    std::size_t moves = 0;
    for (std::size_t i = 1; i < keys.size(); ++i) {
        if (!(keys[i] < keys[i - 1])) continue;
        if (moves > budget) return false;
        const std::uint64_t key = keys[i];
        const std::uint32_t line = order[i];
        std::size_t j = i;
        for (; j > 0 && key < keys[j - 1]; --j) {
            keys[j] = keys[j - 1];
            order[j] = order[j - 1];
        }
        keys[j] = key;
        order[j] = line;
        moves += i - j;
    }
    return true;
}

/// Sorts `order` by `keys` stably, a byte a pass: a comparison sort of a million lines takes
/// several times as long, as each comparison looks up two keys far apart.
void radixSort(std::vector<std::uint64_t>& keys, std::vector<std::uint32_t>& order) {
    const std::size_t count = keys.size();
    std::vector<std::uint64_t> nextKeys(count);
    std::vector<std::uint32_t> nextOrder(count);
    for (int shift = 0; shift < 64; shift += 8) {
        std::array<std::size_t, 257> start{};
        for (const std::uint64_t key : keys) ++start[((key >> shift) & 0xffu) + 1];
        // A byte that all keys share orders nothing: times of one file share most of theirs.
        if (std::find(start.begin(), start.end(), count) != start.end()) continue;
        std::partial_sum(start.begin(), start.end(), start.begin());
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t to = start[(keys[i] >> shift) & 0xffu]++;
            nextKeys[to] = keys[i];
            nextOrder[to] = order[i];
        }
        keys.swap(nextKeys);
        order.swap(nextOrder);
    }
}

}  // namespace

std::vector<std::uint32_t> timeOrder(const std::vector<double>& times) {
    if (std::is_sorted(times.begin(), times.end())) return {};
    std::vector<std::uint64_t> keys(times.size());
    std::transform(times.begin(), times.end(), keys.begin(), orderedBits);
    std::vector<std::uint32_t> order(times.size());
    std::iota(order.begin(), order.end(), std::uint32_t{0});
    // Statistics files run forward with a step back now and then: moving the few lines out of
    // place settles most of them at a fraction of the cost of a full sort.
    if (!insertionSorted(keys, order, kMovesPerLine * times.size())) radixSort(keys, order);
    return order;
}

PlotSeries::PlotSeries(PointSeries points) : series_(std::move(points)) {
    const auto& series = std::get<PointSeries>(series_);
    if (!series.empty()) {
        for (std::size_t position = 0; position < InTimeOrder<PointSeries>::kPerLine; ++position)
            values_.emplace_back(series.label(position));
    }
    index();
}

PlotSeries::PlotSeries(RateSeries rates) : series_(std::move(rates)) {
    index();
}

PlotSeries::PlotSeries(const Source& series)
    : PlotSeries(std::visit([](const auto& one) { return PlotSeries(one); }, series)) {}

void PlotSeries::index() {
    size_ = std::visit([](const auto& series) { return series.size(); }, series_);
    if (size_ == 0) return;
    read([this](const auto& points) {
        constexpr std::size_t kPerLine = std::remove_cvref_t<decltype(points)>::kPerLine;
        std::vector<double> times(size_ / kPerLine);
        for (std::size_t line = 0; line < times.size(); ++line)
            times[line] = points.x(line * kPerLine);
        lineOrder_ = timeOrder(times);
    });
    indexBlocks(0);
    read([this](const auto& points) {
        xMin_ = points.x(0);
        xMax_ = points.x(size_ - 1);
    });
    yMin_ = *std::min_element(blocks_.low.begin(), blocks_.low.end());
    yMax_ = *std::max_element(blocks_.high.begin(), blocks_.high.end());
}

void PlotSeries::indexBlocks(std::size_t from) {
    blocks_.low.resize(from / ValueBlocks::kSize);
    blocks_.high.resize(from / ValueBlocks::kSize);
    read([&](const auto& points) {
        points.batches(from, size_,
                       [this](std::size_t first, std::size_t count, const double*, const double* ys,
                              const std::size_t*) {
                           for (std::size_t j = 0; j < count; ++j) {
                               if ((first + j) % ValueBlocks::kSize == 0) {
                                   blocks_.low.push_back(ys[j]);
                                   blocks_.high.push_back(ys[j]);
                               }
                               blocks_.low.back() = std::min(blocks_.low.back(), ys[j]);
                               blocks_.high.back() = std::max(blocks_.high.back(), ys[j]);
                           }
                       });
    });
}

bool PlotSeries::extendedBy(const Source& grown) const {
    if (grown.index() != series_.index()) return false;
    return std::visit(
        [this](const auto& next) {
            const auto& shown = std::get<std::remove_cvref_t<decltype(next)>>(series_);
            if constexpr (std::is_same_v<decltype(shown), const PointSeries&>)
                if (next.category() != shown.category()) return false;
            return shown.table() && next.table() && next.table()->extends(*shown.table());
        },
        grown);
}

bool PlotSeries::grow(const Source& grown) {
    if (!extendedBy(grown)) return false;
    // Nothing shown yet has nothing to keep: the labels come with the first points.
    if (empty()) {
        *this = PlotSeries(grown);
        return true;
    }
    const std::size_t shownSize = size_;
    series_ = grown;
    size_ = std::visit([](const auto& series) { return series.size(); }, series_);
    if (size_ == shownSize) return true;
    const std::size_t firstBlock = orderNewLines(shownSize) / ValueBlocks::kSize;
    indexBlocks(firstBlock * ValueBlocks::kSize);
    read([this](const auto& points) {
        xMin_ = points.x(0);
        xMax_ = points.x(size_ - 1);
    });
    // The points before the first block redone are those that were, only moved about.
    yMin_ = std::min(yMin_, *std::min_element(blocks_.low.begin() + firstBlock, blocks_.low.end()));
    yMax_ =
        std::max(yMax_, *std::max_element(blocks_.high.begin() + firstBlock, blocks_.high.end()));
    return true;
}

std::size_t PlotSeries::orderNewLines(std::size_t shownSize) {
    return readWith(nullptr, [&](const auto& inFile) {
        constexpr std::size_t kPerLine = std::remove_cvref_t<decltype(inFile)>::kPerLine;
        const auto time = [&inFile](std::uint32_t line) { return inFile.x(line * kPerLine); };
        const auto shownLines = static_cast<std::uint32_t>(shownSize / kPerLine);
        std::vector<double> times(size_ / kPerLine - shownLines);
        for (std::size_t j = 0; j < times.size(); ++j)
            times[j] = time(static_cast<std::uint32_t>(shownLines + j));
        std::vector<std::uint32_t> order = timeOrder(times);
        // Lines that carry on from the last moment shown, in order: nothing moves.
        if (lineOrder_.empty() && order.empty() && !(times.front() < xMax_)) return shownSize;
        // The file stepped back: its lines need an order of their own from now on.
        if (lineOrder_.empty()) {
            lineOrder_.resize(shownLines);
            std::iota(lineOrder_.begin(), lineOrder_.end(), std::uint32_t{0});
        }
        if (order.empty()) {
            order.resize(times.size());
            std::iota(order.begin(), order.end(), std::uint32_t{0});
        }
        for (std::uint32_t& line : order) line += shownLines;
        // After the lines shown of the same moment, as a stable sort of all would place them.
        const auto before = [&time](std::uint32_t a, std::uint32_t b) { return time(a) < time(b); };
        const auto first = static_cast<std::size_t>(
            std::upper_bound(lineOrder_.begin(), lineOrder_.end(), order.front(), before) -
            lineOrder_.begin());
        // Moves every line after `first`: at worst as many as the file has, in one pass.
        lineOrder_.insert(lineOrder_.end(), order.begin(), order.end());
        std::inplace_merge(lineOrder_.begin() + static_cast<std::ptrdiff_t>(first),
                           lineOrder_.begin() + shownLines, lineOrder_.end(), before);
        return first * kPerLine;
    });
}

std::pair<std::size_t, std::size_t> PlotSeries::indicesWithin(double from, double to) const {
    if (!(from <= to)) return {0, 0};
    return read([&](const auto& points) {
        // Bisections by time, which rises with the index.
        const auto indices = std::views::iota(std::size_t{0}, size_);
        const auto count = [&](auto within) {
            const auto end = std::ranges::partition_point(
                indices, [&](std::size_t i) { return within(points.x(i)); });
            return static_cast<std::size_t>(end - indices.begin());
        };
        return std::pair{count([from](double x) { return x < from; }),
                         count([to](double x) { return x <= to; })};
    });
}

std::optional<std::pair<double, double>> PlotSeries::valueExtent(std::size_t first,
                                                                 std::size_t last) const {
    constexpr std::size_t kSize = ValueBlocks::kSize;
    last = std::min(last, size_);
    if (first >= last) return std::nullopt;
    std::pair<double, double> extent{INFINITY, -INFINITY};
    const auto widen = [&extent](double low, double high) {
        extent.first = std::min(extent.first, low);
        extent.second = std::max(extent.second, high);
    };
    // The whole blocks within [first, last) by their extremes; the points beside them one by
    // one.
    const std::size_t firstBlock = (first + kSize - 1) / kSize;
    const std::size_t lastBlock = std::max(last / kSize, firstBlock);
    for (std::size_t b = firstBlock; b < lastBlock; ++b) widen(blocks_.low[b], blocks_.high[b]);
    read([&](const auto& points) {
        const auto each = [&](std::size_t from, std::size_t to) {
            for (std::size_t i = from; i < to; ++i) widen(points.y(i), points.y(i));
        };
        if (firstBlock < lastBlock) {
            each(first, firstBlock * kSize);
            each(lastBlock * kSize, last);
        } else {
            each(first, last);
        }
    });
    return extent;
}

std::size_t PlotSeries::bytes() const {
    std::size_t total = lineOrder_.capacity() * sizeof(std::uint32_t) +
                        (blocks_.low.capacity() + blocks_.high.capacity()) * sizeof(double);
    for (const std::string& value : values_) total += sizeof(std::string) + value.capacity();
    return total;
}

}  // namespace quill::ui
