#include "analysis/derivation.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "records/wide_int.h"

namespace quill {

namespace {

// Where 64 bits overflow (the difference of two extreme times, INT64_MIN bytes over -1 second)
// the figures are computed in 128 bits: their exact values are still the most useful texts.
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

std::string sizeText(std::int64_t totalBytes) {
    return decimal(totalBytes / 1024, " KB");
}

IntervalFigures intervalFigures(std::int64_t unixTime, std::int64_t lastTime,
                                std::int64_t totalBytes, bool persist) {
    IntervalFigures figures;
    std::int64_t interval = 0;
    // 64 bits, the common case by far, is much faster than 128; both give the same texts.
    if (subtractOverflows(unixTime, lastTime, &interval)) {
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

IntervalNumbers intervalNumbers(std::int64_t unixTime, std::int64_t lastTime,
                                std::int64_t totalBytes, bool persist) noexcept {
    IntervalNumbers numbers;
    // Beyond 64 bits the quotient of a KB count by the interval is 0: |kb| < 2^54.
    if (subtractOverflows(unixTime, lastTime, &numbers.interval)) {
        numbers.interval = 0;
        return numbers;
    }
    if (persist && numbers.interval != 0) numbers.rateInt = totalBytes / 1024 / numbers.interval;
    return numbers;
}

std::string LineTexts::entryDate(const StatTable& table, std::size_t i) {
    char buffer[DateFormatter::kMaxLength];
    return std::string(buffer, formatter_.format(table.unixTime(i), buffer));
}

std::string LineTexts::prevDate(const StatTable& table, std::size_t i) {
    const std::uint32_t previous = table.previous(i);
    return previous == StatTable::kNone ? std::string() : entryDate(table, previous);
}

IntervalFigures LineTexts::figures(const StatTable& table, std::size_t i) const {
    if (!table.hasInterval(i)) return {};
    return intervalFigures(table.unixTime(i), table.unixTime(table.previous(i)),
                           table.totalBytes(i), table.category(i) == Category::Persist);
}

StatLine LineTexts::line(const StatTable& table, std::size_t i) {
    StatLine line;
    line.id = table.lineId(i);
    line.entry = table.entry(i);
    line.prevDate = Text(prevDate(table, i));
    line.entryDate = Text(entryDate(table, i));
    line.chartDate = static_cast<double>(table.unixTime(i));
    line.size = size(table, i);
    IntervalFigures interval = figures(table, i);
    line.duration = std::move(interval.duration);
    line.rate = std::move(interval.rate);
    line.rateInt = table.rateInt(i);
    return line;
}

}  // namespace quill
