#include "analysis/derivation.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "analysis/quillstat.h"

namespace quill {

namespace {

// Where 64 bits overflow (the difference of two extreme times, INT64_MIN bytes over -1 second)
// the figures are computed in 128 bits: their exact values are still the most useful texts.
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

/// `value` in decimal followed by `suffix`, made in one go: these texts are made for every line.
std::string decimal(std::int64_t value, std::string_view suffix = {}) {
    char buffer[32];
    char* end = std::to_chars(buffer, buffer + 20, value).ptr;
    end = std::copy(suffix.begin(), suffix.end(), end);
    return std::string(buffer, end);
}

}  // namespace

Category categoryOf(std::string_view file) noexcept {
    if (file.find("Persist") != std::string_view::npos) return Category::Persist;
    if (file.find("Special") != std::string_view::npos) return Category::Special;
    return Category::Other;
}

std::string sizeText(std::int64_t totalBytes) {
    return decimal(totalBytes / 1024, " KB");
}

IntervalFigures intervalFigures(std::int64_t unixTime, std::int64_t lastTime,
                                std::int64_t totalBytes, bool persist) {
    IntervalFigures figures;
    std::int64_t interval = 0;
    // 64 bits, the common case by far, is much faster than 128; both give the same texts.
    if (__builtin_sub_overflow(unixTime, lastTime, &interval)) {
        const Int128 wide = Int128{unixTime} - lastTime;
        figures.duration = decimal(wide);
        figures.rate = decimal(Int128{totalBytes} / wide) + " B/s";
        // |kb| < 2^54 < |wide|: the quotient is 0.
        return figures;
    }
    figures.duration = decimal(interval);
    if (interval == 0) return figures;
    if (totalBytes == std::numeric_limits<std::int64_t>::min() && interval == -1)
        figures.rate = decimal(-Int128{totalBytes}) + " B/s";
    else
        figures.rate = decimal(totalBytes / interval, " B/s");
    if (persist) figures.rateInt = totalBytes / 1024 / interval;
    return figures;
}

void Quillstat::deriveStatLine(StatEntry entry, Derivation& derivation) {
    char dateBuffer[DateFormatter::kMaxLength];
    const std::size_t dateLength = derivation.formatter.format(entry.unixTime, dateBuffer);
    Text entryDate(std::string_view(dateBuffer, dateLength));
    if (entry.unixTime < startTime_) setStartTime(entry.unixTime);

    const Category category = categoryOf(entry.file);
    CategoryTracker& tracker = derivation.tracker(category);
    // Filled in place: a line is large, and a load appends millions of them.
    appendWith(Field::StatList, statList_, [&](StatLine& line) {
        line.id = ids_.next();
        line.chartDate = static_cast<double>(entry.unixTime);
        line.size = sizeText(entry.totalBytes);
        // A previous time of 0 or less counts as no predecessor: such times mark records whose
        // clock was not set, and an interval from them would mean nothing.
        if (tracker.lastTime >= 1) {
            IntervalFigures figures = intervalFigures(
                entry.unixTime, tracker.lastTime, entry.totalBytes, category == Category::Persist);
            line.duration = std::move(figures.duration);
            line.rate = std::move(figures.rate);
            line.rateInt = figures.rateInt;
        }
        line.prevDate = std::move(tracker.lastDate);
        line.entryDate = entryDate;
        tracker.lastTime = entry.unixTime;
        tracker.lastDate = std::move(entryDate);
        line.entry = std::move(entry);
    });
}

}  // namespace quill
