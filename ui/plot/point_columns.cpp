#include "ui/plot/point_columns.h"

#include <algorithm>
#include <string_view>
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

}  // namespace

std::size_t PointColumns::bytes() const {
    std::size_t total = x.capacity() * sizeof(float) + y.capacity() * sizeof(float) +
                        colour.capacity() * sizeof(std::uint16_t);
    for (const std::string& value : values) total += sizeof(std::string) + value.capacity();
    return total;
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
