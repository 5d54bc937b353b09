#pragma once

#include "ui/plot/plot_scale.h"

namespace quill::ui {

/// The narrowest span, in seconds, that the time axis zooms to within `full`: half a minute,
/// or more where times so far from 1970 lie too far apart as doubles to place a dot within a
/// pixel or so.
double minimumSpan(AxisRange full);

/// `wanted` moved and narrowed as little as needed to lie within `full`, and widened about its
/// centre to at least `minimum`.
AxisRange clampedSpan(AxisRange wanted, AxisRange full, double minimum);

/// `current` scaled by `factor` (below 1 zooms in) about `anchor`, which keeps its place on the
/// axis, then clamped to `full`.
AxisRange zoomedSpan(AxisRange current, double anchor, double factor, AxisRange full,
                     double minimum);

/// `current` moved by `seconds` (positive: later), stopping at the ends of `full`.
AxisRange pannedSpan(AxisRange current, double seconds, AxisRange full);

}  // namespace quill::ui
