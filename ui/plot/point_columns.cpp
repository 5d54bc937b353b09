#include "ui/plot/point_columns.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numeric>
#include <string_view>
#include <type_traits>
#include <unordered_map>

namespace quill::ui {

namespace {

/// Numbers the distinct value texts in order of first appearance. Series repeat a handful of
/// shared texts, so comparing buffers with the last text answers almost every point.
class ValueNumbering {
public:
    explicit ValueNumbering(std::vector<std::string>& values) : values_(values) {}

    std::uint16_t indexOf(const Text& value) {
        if (hasLast_ && value.sharesBufferWith(last_)) return lastIndex_;
        const auto [it, added] = indices_.try_emplace(std::string(value.view()), nextIndex());
        if (added && values_.size() < kMaxValues) values_.push_back(it->first);
        last_ = value;
        lastIndex_ = it->second;
        hasLast_ = true;
        return lastIndex_;
    }

private:
    std::uint16_t nextIndex() const {
        return static_cast<std::uint16_t>(std::min(values_.size(), kMaxValues - 1));
    }

    std::vector<std::string>& values_;
    std::unordered_map<std::string, std::uint16_t> indices_;
    Text last_;
    std::uint16_t lastIndex_ = 0;
    bool hasLast_ = false;
};

void reserve(PointColumns& columns, std::size_t count, bool coloured) {
    columns.x.reserve(count);
    columns.y.reserve(count);
    if (coloured) columns.colour.reserve(count);
}

/// Appends one point and widens the extremes to it.
void append(PointColumns& columns, double x, double y) {
    if (columns.empty()) {
        columns.xOrigin = x;
        columns.xMin = columns.xMax = x;
        columns.yMin = columns.yMax = y;
    }
    columns.x.push_back(static_cast<float>(x - columns.xOrigin));
    columns.y.push_back(static_cast<float>(y));
    columns.xMin = std::min(columns.xMin, x);
    columns.xMax = std::max(columns.xMax, x);
    columns.yMin = std::min(columns.yMin, y);
    columns.yMax = std::max(columns.yMax, y);
}

/// The bits of `value` as an unsigned number that orders as the floats do.
std::uint32_t orderedBits(float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    return (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
}

/// The indices of `x` in order of their values, equal values in the order they came in. A radix
/// sort, a byte a pass: a comparison sort of a million indices takes ten times as long, as each
/// comparison looks up two values far apart.
std::vector<std::uint32_t> timeOrder(const std::vector<float>& x) {
    const std::size_t count = x.size();
    std::vector<std::uint32_t> keys(count);
    std::vector<std::uint32_t> order(count);
    for (std::size_t i = 0; i < count; ++i) {
        keys[i] = orderedBits(x[i]);
        order[i] = static_cast<std::uint32_t>(i);
    }
    std::vector<std::uint32_t> nextKeys(count);
    std::vector<std::uint32_t> nextOrder(count);
    for (int shift = 0; shift < 32; shift += 8) {
        std::array<std::size_t, 257> start{};
        for (const std::uint32_t key : keys) ++start[((key >> shift) & 0xffu) + 1];
        // A byte that all keys share orders nothing.
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
    return order;
}

/// How many moves per point the insertion sort may make before it gives way to the radix sort.
constexpr std::size_t kMovesPerPoint = 4;

/// Sorts the points by time by insertion, stably, unless that takes more than about `budget`
/// moves; returns whether they are sorted. Left unsorted, they are still in an order in which
/// the points of one time keep the order they came in.
bool insertionSorted(PointColumns& points, std::size_t budget) {
    std::vector<float>& x = points.x;
    std::vector<float>& y = points.y;
    std::vector<std::uint16_t>& colour = points.colour;
    const bool coloured = !colour.empty();
    std::size_t moves = 0;
    for (std::size_t i = 1; i < x.size(); ++i) {
        if (!(x[i] < x[i - 1])) continue;
        if (moves > budget) return false;
        const float time = x[i];
        const float value = y[i];
        const std::uint16_t shade = coloured ? colour[i] : 0;
        std::size_t j = i;
        for (; j > 0 && time < x[j - 1]; --j) {
            x[j] = x[j - 1];
            y[j] = y[j - 1];
            if (coloured) colour[j] = colour[j - 1];
        }
        x[j] = time;
        y[j] = value;
        if (coloured) colour[j] = shade;
        moves += i - j;
    }
    return true;
}

}  // namespace

std::size_t PointColumns::bytes() const {
    std::size_t total = x.capacity() * sizeof(float) + y.capacity() * sizeof(float) +
                        colour.capacity() * sizeof(std::uint16_t);
    for (const std::string& value : values) total += sizeof(std::string) + value.capacity();
    return total;
}

void sortByTime(PointColumns& points) {
    if (std::is_sorted(points.x.begin(), points.x.end())) return;
    // Statistics files run forward with a step back now and then: moving the few points out of
    // place settles most of them at a fraction of the cost of a full sort.
    if (insertionSorted(points, kMovesPerPoint * points.size())) return;
    const std::vector<std::uint32_t> order = timeOrder(points.x);
    const auto permuted = [&order](const auto& column) {
        std::remove_cvref_t<decltype(column)> sorted;
        sorted.reserve(column.size());
        for (const std::uint32_t i : order) sorted.push_back(column[i]);
        return sorted;
    };
    points.x = permuted(points.x);
    points.y = permuted(points.y);
    if (!points.colour.empty()) points.colour = permuted(points.colour);
}

std::pair<std::size_t, std::size_t> indicesWithin(const PointColumns& points, double from,
                                                  double to) {
    if (!(from <= to)) return {0, 0};
    // The stored times are floats from the origin: compare in the same terms, widened by a
    // float's spacing, so that rounding never drops a point at either end.
    const auto low = std::nextafter(static_cast<float>(from - points.xOrigin),
                                    -std::numeric_limits<float>::infinity());
    const auto high = std::nextafter(static_cast<float>(to - points.xOrigin),
                                     std::numeric_limits<float>::infinity());
    const auto first = std::lower_bound(points.x.begin(), points.x.end(), low);
    const auto last = std::upper_bound(first, points.x.end(), high);
    return {static_cast<std::size_t>(first - points.x.begin()),
            static_cast<std::size_t>(last - points.x.begin())};
}

std::optional<std::pair<double, double>> valueExtent(const PointColumns& points, std::size_t first,
                                                     std::size_t last) {
    last = std::min(last, points.size());
    if (first >= last) return std::nullopt;
    const auto [low, high] = std::minmax_element(points.y.begin() + static_cast<long>(first),
                                                 points.y.begin() + static_cast<long>(last));
    return std::pair{static_cast<double>(*low), static_cast<double>(*high)};
}

ValueBlocks valueBlocks(const PointColumns& points) {
    ValueBlocks blocks;
    for (std::size_t from = 0; from < points.size(); from += ValueBlocks::kSize) {
        const auto begin = points.y.begin() + static_cast<std::ptrdiff_t>(from);
        const auto end = points.y.begin() + static_cast<std::ptrdiff_t>(
                                                std::min(from + ValueBlocks::kSize, points.size()));
        const auto [low, high] = std::minmax_element(begin, end);
        blocks.low.push_back(*low);
        blocks.high.push_back(*high);
    }
    return blocks;
}

std::optional<std::pair<double, double>> valueExtent(const PointColumns& points,
                                                     const ValueBlocks& blocks, std::size_t first,
                                                     std::size_t last) {
    constexpr std::size_t kSize = ValueBlocks::kSize;
    last = std::min(last, points.size());
    // The whole blocks within [first, last); the points beside them one by one.
    const std::size_t firstBlock = (first + kSize - 1) / kSize;
    const std::size_t lastBlock = std::min(last / kSize, blocks.low.size());
    if (first >= last || firstBlock >= lastBlock) return valueExtent(points, first, last);
    auto extent = std::pair{static_cast<double>(blocks.low[firstBlock]),
                            static_cast<double>(blocks.high[firstBlock])};
    const auto widen = [&extent](const std::optional<std::pair<double, double>>& part) {
        if (!part) return;
        extent.first = std::min(extent.first, part->first);
        extent.second = std::max(extent.second, part->second);
    };
    for (std::size_t b = firstBlock + 1; b < lastBlock; ++b)
        widen(std::pair{static_cast<double>(blocks.low[b]), static_cast<double>(blocks.high[b])});
    widen(valueExtent(points, first, firstBlock * kSize));
    widen(valueExtent(points, lastBlock * kSize, last));
    return extent;
}

PointColumns pointColumns(const std::vector<PointStats>& points) {
    PointColumns columns;
    reserve(columns, points.size(), true);
    ValueNumbering numbering(columns.values);
    for (const PointStats& point : points) {
        append(columns, point.date, static_cast<double>(point.size));
        columns.colour.push_back(numbering.indexOf(point.value));
    }
    return columns;
}

PointColumns rateColumns(const std::vector<RateStats>& rates) {
    PointColumns columns;
    reserve(columns, rates.size(), false);
    for (const RateStats& rate : rates) append(columns, rate.date, static_cast<double>(rate.rate));
    return columns;
}

}  // namespace quill::ui
