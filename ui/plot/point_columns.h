#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "records/records.h"

namespace quill::ui {

/// The points of one series reduced to what drawing them needs, ten bytes each, in the order of
/// the series. x is kept relative to `xOrigin`: a float then still places a point well within a
/// pixel however far from 1970 its date lies.
struct PointColumns {
    double xOrigin = 0;
    std::vector<float> x;
    std::vector<float> y;
    /// Per point, its index into `values`; empty for a series of one colour (all index 0).
    std::vector<std::uint16_t> colour;
    /// The distinct value texts, in order of first appearance; empty for a series of one colour.
    std::vector<std::string> values;
    // Extremes of the data, in the model's units (seconds since 1970, KB or KB/s).
    double xMin = 0;
    double xMax = 0;
    double yMin = 0;
    double yMax = 0;

    std::size_t size() const { return x.size(); }
    bool empty() const { return x.empty(); }
    /// Heap held for the points, capacity included.
    std::size_t bytes() const;
};

/// The most distinct values a series colours apart; any beyond share the last colour.
inline constexpr std::size_t kMaxValues = 0xffff;

/// Puts the points in order of time, those of one moment in the order they came in, so that the
/// points within a span of time are found by bisection. Points already in order are left alone.
void sortByTime(PointColumns& points);
/// The indices [first, last) of the points, sorted by time, from `from` to `to` seconds since
/// 1970, both ends included.
std::pair<std::size_t, std::size_t> indicesWithin(const PointColumns& points, double from,
                                                  double to);
/// The least and greatest y of the points [first, last); empty where there are none.
std::optional<std::pair<double, double>> valueExtent(const PointColumns& points, std::size_t first,
                                                     std::size_t last);

/// The least and greatest y of each block of `kSize` points in a row, so that the extremes of a
/// span of millions of points are found without going through each.
struct ValueBlocks {
    static constexpr std::size_t kSize = 512;
    std::vector<float> low;
    std::vector<float> high;
};
ValueBlocks valueBlocks(const PointColumns& points);
/// `valueExtent` with the help of `blocks`, made of the same points.
std::optional<std::pair<double, double>> valueExtent(const PointColumns& points,
                                                     const ValueBlocks& blocks, std::size_t first,
                                                     std::size_t last);

/// One point per element, at (`date`, `size`), coloured by `value`.
PointColumns pointColumns(const std::vector<PointStats>& points);
/// One point per element, at (`date`, `rate`), all of one colour.
PointColumns rateColumns(const std::vector<RateStats>& rates);

}  // namespace quill::ui
