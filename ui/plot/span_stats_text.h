#pragma once

#include <QString>

#include "analysis/span_stats.h"
#include "records/wide_int.h"

namespace quill::ui {

/// `seconds` in its two largest units, as a person reads a length of time: "45 s",
/// "3 min 20 s", "1 h 2 min", "12 d 5 h"; negative with a minus sign.
QString durationText(Int128 seconds);

/// The figures of the records in view on one line: "1,234 records · 56,789 KB · rate mean
/// 12 KB/s, peak 61 KB/s · interval shortest 3 s, mean 6 min 52 s, longest 1 h 2 min", the
/// numbers grouped as the user's locale writes them, a dash for a figure nothing gives.
QString spanStatsText(const SpanStats& stats);

}  // namespace quill::ui
