#include "ui/plot/time_zoom.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quill::ui {

namespace {

constexpr double kLeastSpan = 30;
/// How many spacings of doubles the narrowest span holds: one is then under a pixel or two.
constexpr double kSpacingsPerSpan = 1000;

}  // namespace

double minimumSpan(AxisRange full) {
    // Doubles hold times to well under a millisecond for thousands of years about 1970; only
    // times of absurd magnitudes, which a statistics file may still hold, lie further apart.
    const double far = std::max(std::abs(full.min), std::abs(full.max));
    if (!std::isfinite(far)) return kLeastSpan;
    const double spacing = std::nextafter(far, std::numeric_limits<double>::infinity()) - far;
    return std::max(kLeastSpan, spacing * kSpacingsPerSpan);
}

AxisRange clampedSpan(AxisRange wanted, AxisRange full, double minimum) {
    if (!(wanted.span() > 0) || !std::isfinite(wanted.min) || !std::isfinite(wanted.max))
        return full;
    const double span = std::min(std::max(wanted.span(), minimum), full.span());
    const double centre = wanted.min + wanted.span() / 2;
    AxisRange range{centre - span / 2, centre + span / 2};
    if (range.min < full.min) range = {full.min, full.min + span};
    if (range.max > full.max) range = {full.max - span, full.max};
    return range;
}

AxisRange zoomedSpan(AxisRange current, double anchor, double factor, AxisRange full,
                     double minimum) {
    if (!(factor > 0) || !std::isfinite(factor)) return current;
    const double span = current.span() * factor;
    const double share = current.span() > 0 ? (anchor - current.min) / current.span() : 0.5;
    // Where the span cannot shrink further, it stays put rather than drift away from the anchor.
    if (span < minimum && current.span() <= minimum * (1 + 1e-9)) return current;
    const double narrowed = std::max(span, minimum);
    const AxisRange wanted{anchor - share * narrowed, anchor + (1 - share) * narrowed};
    return clampedSpan(wanted, full, minimum);
}

AxisRange pannedSpan(AxisRange current, double seconds, AxisRange full) {
    if (!std::isfinite(seconds)) return current;
    const double span = current.span();
    const double lowest = full.min;
    const double highest = std::max(full.max - span, lowest);
    const double start = std::clamp(current.min + seconds, lowest, highest);
    return {start, start + span};
}

}  // namespace quill::ui
