#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "analysis/series.h"

namespace quill::ui {

/// A model's series read in order of time: point `i` here is the `i`-th in time, points of one
/// moment in the order of the file. `lineOrder` lists the series' lines by time, or is null
/// where the file has them so already. A line's points share its time and come one after the
/// other, so the order is kept by line, and a point keeps its place within its line.
template <typename Series>
class InTimeOrder {
public:
    static constexpr std::size_t kPerLine = std::is_same_v<Series, PointSeries> ? 3 : 1;
    /// The most points `batches` hands over at once.
    static constexpr std::size_t kBatch = 256;

    InTimeOrder(const Series& series, const std::uint32_t* lineOrder)
        : series_(series), order_(lineOrder) {}

    std::size_t size() const { return series_.size(); }
    /// Seconds since 1970.
    double x(std::size_t i) const { return series_.date(index(i)); }
    /// KB, or KB per second.
    double y(std::size_t i) const {
        if constexpr (kPerLine == 3)
            return static_cast<double>(series_.sizeKB(index(i)));
        else
            return static_cast<double>(series_.rate(index(i)));
    }
    /// The point's colour among the series' `PlotSeries::values`: its place in its line.
    std::size_t colour(std::size_t i) const { return kPerLine == 1 ? 0 : i % kPerLine; }

    /// Calls `use(from, count, xs, ys, colours)` for the points [first, last), `count` of them
    /// at a time from point `from`, with their `x`, `y` and `colour` in arrays: read so, the
    /// millions of points of a frame take a fraction of the time they would one by one.
    template <typename Use>
    void batches(std::size_t first, std::size_t last, Use&& use) const {
        std::uint32_t lines[kBatch / kPerLine + 2];
        double dates[std::size(lines)];
        std::int64_t values[std::size(lines) * kPerLine];
        double xs[kBatch];
        double ys[kBatch];
        std::size_t colours[kBatch];
        for (std::size_t from = first; from < last; from += kBatch) {
            const std::size_t count = std::min(kBatch, last - from);
            const std::size_t firstLine = from / kPerLine;
            const std::size_t lineCount = (from + count - 1) / kPerLine - firstLine + 1;
            for (std::size_t j = 0; j < lineCount; ++j)
                lines[j] = order_ != nullptr ? order_[firstLine + j]
                                             : static_cast<std::uint32_t>(firstLine + j);
            series_.read(std::span(lines, lineCount), dates, values);
            for (std::size_t j = 0; j < count; ++j) {
                const std::size_t at = from + j - firstLine * kPerLine;  // into `values`
                xs[j] = dates[at / kPerLine];
                ys[j] = static_cast<double>(values[at]);
                colours[j] = colour(from + j);
            }
            use(from, count, xs, ys, colours);
        }
    }

private:
    std::size_t index(std::size_t i) const {
        if (order_ == nullptr) return i;
        if constexpr (kPerLine == 1)
            return order_[i];
        else
            return kPerLine * order_[i / kPerLine] + i % kPerLine;
    }

    const Series& series_;
    const std::uint32_t* order_;
};

/// The least and greatest value of each block of `kSize` points in a row of time, so that the
/// extremes of a span of millions of points are found without going through each.
struct ValueBlocks {
    static constexpr std::size_t kSize = 512;
    std::vector<double> low;
    std::vector<double> high;
};

/// One series as a chart draws it: the model's own view of the points, shared with the model,
/// with nothing of them copied. What the chart needs besides are indexes into it: the lines'
/// order in time where the file steps back now and then (4 bytes a line, none where it never
/// does), and the value extremes of each block of points.
class PlotSeries {
public:
    /// Either kind of the model's series.
    using Source = std::variant<PointSeries, RateSeries>;

    PlotSeries() = default;
    /// Coloured by each point's place in its line, under the series' labels.
    explicit PlotSeries(PointSeries points);
    /// All of one colour.
    explicit PlotSeries(RateSeries rates);
    explicit PlotSeries(const Source& series);

    /// Takes in `grown`, the series shown with lines appended to its table (`extends`), at a
    /// cost of the new lines rather than of all: a followed file of millions of lines gains a
    /// few every second. Returns false, changing nothing, for any other series.
    bool grow(const Source& grown);

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    /// The texts of the colours, in their order; empty for a series of one colour.
    const std::vector<std::string>& values() const { return values_; }
    // The extremes of the data, in the model's units (seconds since 1970, KB or KB/s); 0 for
    // no data.
    double xMin() const { return xMin_; }
    double xMax() const { return xMax_; }
    double yMin() const { return yMin_; }
    double yMax() const { return yMax_; }

    /// Calls `use` with the points in order of time, an `InTimeOrder`, and returns its result.
    template <typename Use>
    decltype(auto) read(Use&& use) const {
        return readWith(lineOrder_.empty() ? nullptr : lineOrder_.data(), use);
    }

    /// The indices [first, last), in order of time, of the points from `from` to `to` seconds
    /// since 1970, both ends included.
    std::pair<std::size_t, std::size_t> indicesWithin(double from, double to) const;
    /// The least and greatest value of the points [first, last) in order of time; empty where
    /// there are none.
    std::optional<std::pair<double, double>> valueExtent(std::size_t first, std::size_t last) const;

    /// Heap held besides the model's own table: the order and the blocks, capacity included.
    std::size_t bytes() const;

private:
    template <typename Use>
    decltype(auto) readWith(const std::uint32_t* order, Use&& use) const {
        if (const auto* rates = std::get_if<RateSeries>(&series_))
            return use(InTimeOrder<RateSeries>(*rates, order));
        return use(InTimeOrder<PointSeries>(std::get<PointSeries>(series_), order));
    }
    void index();
    bool extendedBy(const Source& grown) const;
    /// Puts the lines past the first `shownSize` points in their places in time; returns the
    /// first position in time whose point is no longer the one it was.
    std::size_t orderNewLines(std::size_t shownSize);
    /// The blocks from the point `from`, the first of a block, to the end.
    void indexBlocks(std::size_t from);

    std::variant<PointSeries, RateSeries> series_;
    std::size_t size_ = 0;
    std::vector<std::uint32_t> lineOrder_;  ///< empty: the lines are in order of time already
    ValueBlocks blocks_;
    std::vector<std::string> values_;
    double xMin_ = 0;
    double xMax_ = 0;
    double yMin_ = 0;
    double yMax_ = 0;
};

/// The lines' order by their times, given in file order: equal times keep the order they came
/// in. Empty where the times are in order already.
std::vector<std::uint32_t> timeOrder(const std::vector<double>& times);

}  // namespace quill::ui
