#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace quill {

/// The records whose time lies from `from` to `to`, both included.
struct TimeWindow {
    std::int64_t from = std::numeric_limits<std::int64_t>::min();
    std::int64_t to = std::numeric_limits<std::int64_t>::max();
    bool contains(std::int64_t time) const noexcept { return from <= time && time <= to; }
    friend bool operator==(const TimeWindow&, const TimeWindow&) = default;
};

/// A span of the time axis, in seconds since 1970-01-01 00:00:00 UTC, as the plot shows it:
/// its ends need not be whole seconds.
struct TimeSpan {
    double from = 0;
    double to = 0;
    friend bool operator==(const TimeSpan&, const TimeSpan&) = default;
};

/// The records a span shows: those whose whole second lies within it, ends included.
inline TimeWindow windowOf(TimeSpan span) noexcept {
    // Doubles at 2^63 already lie past the int64 range: clamp before converting.
    constexpr double kEdge = 9223372036854775808.0;
    const auto whole = [&](double seconds, std::int64_t beyond) {
        if (std::isnan(seconds)) return beyond;
        if (seconds >= kEdge) return std::numeric_limits<std::int64_t>::max();
        if (seconds < -kEdge) return std::numeric_limits<std::int64_t>::min();
        return static_cast<std::int64_t>(seconds);
    };
    TimeWindow window;
    window.from = whole(std::ceil(span.from), window.from);
    window.to = whole(std::floor(span.to), window.to);
    return window;
}

}  // namespace quill
