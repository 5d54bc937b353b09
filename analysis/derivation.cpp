#include "analysis/derivation.h"

#include <charconv>

#include "analysis/quillstat.h"

namespace quill {

namespace {

// Intervals and quotients are computed in 128 bits: the difference of two 64-bit times, and
// INT64_MIN bytes over -1 second, do not fit in 64 bits, and their exact values are still the
// most useful texts to show.
__extension__ using Int128 = __int128;

std::string decimal(Int128 value) {
    char buffer[48];
    char* end = buffer + sizeof buffer;
    char* p = end;
    const bool negative = value < 0;
    do {
        const int digit = static_cast<int>(value % 10);
        *--p = static_cast<char>('0' + (negative ? -digit : digit));
        value /= 10;
    } while (value != 0);
    if (negative) *--p = '-';
    return std::string(p, end);
}

std::string decimal(std::int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace

Category categoryOf(std::string_view file) noexcept {
    if (file.find("Persist") != std::string_view::npos) return Category::Persist;
    if (file.find("Special") != std::string_view::npos) return Category::Special;
    return Category::Other;
}

std::string sizeText(std::int64_t totalBytes) { return decimal(totalBytes / 1024) + " KB"; }

IntervalFigures intervalFigures(std::int64_t unixTime, std::int64_t lastTime,
                                std::int64_t totalBytes, bool persist) {
    const Int128 interval = Int128{unixTime} - lastTime;
    IntervalFigures figures;
    figures.duration = decimal(interval);
    if (interval == 0) return figures;
    figures.rate = decimal(Int128{totalBytes} / interval) + " B/s";
    // |kb| < 2^54, so the quotient always fits.
    if (persist) figures.rateInt = static_cast<std::int64_t>(Int128{totalBytes / 1024} / interval);
    return figures;
}

void Quillstat::deriveStatLine(StatEntry entry, Derivation& derivation) {
    char dateBuffer[DateFormatter::kMaxLength];
    const std::size_t dateLength = derivation.formatter.format(entry.unixTime, dateBuffer);
    Text entryDate(std::string_view(dateBuffer, dateLength));
    if (entry.unixTime < startTime_) setStartTime(entry.unixTime);

    const Category category = categoryOf(entry.file);
    CategoryTracker& tracker = derivation.tracker(category);
    StatLine line;
    line.id = ids_.next();
    line.chartDate = static_cast<double>(entry.unixTime);
    line.size = sizeText(entry.totalBytes);
    // A previous time of 0 or less counts as no predecessor: such times mark records whose
    // clock was not set, and an interval from them would mean nothing.
    if (tracker.lastTime >= 1) {
        IntervalFigures figures = intervalFigures(entry.unixTime, tracker.lastTime,
                                                  entry.totalBytes, category == Category::Persist);
        line.duration = std::move(figures.duration);
        line.rate = std::move(figures.rate);
        line.rateInt = figures.rateInt;
    }
    line.prevDate = tracker.lastDate;
    line.entryDate = entryDate;
    tracker.lastTime = entry.unixTime;
    tracker.lastDate = std::move(entryDate);
    line.entry = std::move(entry);
    appendStatLine(std::move(line));
}

}  // namespace quill
