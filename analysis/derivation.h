#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/date_format.h"
#include "records/text.h"

namespace quill {

enum class Category { Persist, Special, Other };

/// Persist if `file` contains "Persist", else Special if it contains "Special", else Other;
/// case-sensitive.
Category categoryOf(std::string_view file) noexcept;

/// The previous record of one category within a load.
struct CategoryTracker {
    std::int64_t lastTime = 0;
    Text lastDate;
};

/// State of the derivation for one load: made fresh by each load, shared by all its lines.
struct Derivation {
    DateFormatter formatter{DateFormatter::Pattern::TimeFirst};
    std::array<CategoryTracker, 3> trackers;

    CategoryTracker& tracker(Category c) { return trackers[static_cast<std::size_t>(c)]; }
};

/// The texts and rate that relate a record to the previous one of its category.
struct IntervalFigures {
    std::string duration;
    std::string rate;
    std::int64_t rateInt = 0;
};

/// Figures for a record `interval` seconds after its predecessor (negative when older).
/// Exact for every pair of 64-bit times and byte totals; an interval of 0 gives "0", an empty
/// rate and a rateInt of 0, since no rate exists over no time.
IntervalFigures intervalFigures(std::int64_t unixTime, std::int64_t lastTime,
                                std::int64_t totalBytes, bool persist);

/// "<kb> KB" for a byte count, KB truncated toward zero.
std::string sizeText(std::int64_t totalBytes);

}  // namespace quill
