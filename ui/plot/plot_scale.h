#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace quill::ui {

/// A closed interval of axis values, `min` < `max` once it has been through `paddedRange` or
/// one of the defaults.
struct AxisRange {
    double min = 0;
    double max = 1;
    double span() const { return max - min; }
    friend bool operator==(const AxisRange&, const AxisRange&) = default;
};

/// The linear map between axis values and a pixel extent: `min` lands on pixel 0 and `max` on
/// pixel `extent`, or the reverse when flipped (a vertical axis, whose pixels grow downwards).
/// Both directions extrapolate beyond the range.
class LinearScale {
public:
    LinearScale(AxisRange range, double extent, bool flipped = false);

    double toPixel(double value) const { return offset_ + value * factor_; }
    double toValue(double pixel) const { return (pixel - offset_) / factor_; }
    /// Pixels per unit of value, negative when flipped.
    double pixelsPerValue() const { return factor_; }

    const AxisRange& range() const { return range_; }
    double extent() const { return extent_; }
    bool flipped() const { return flipped_; }

private:
    AxisRange range_;
    double extent_;
    bool flipped_;
    double factor_;
    double offset_;
};

/// Seconds since 1970-01-01 00:00:00 UTC that the time axis shows while it has no points: the
/// first day of 1970.
AxisRange defaultTimeRange();
/// The value axis while it has no points.
AxisRange defaultValueRange();

/// The range that shows data from `low` to `high`: widened on each side by a few percent of the
/// span, and by at least `minimumPad`, so that the dots at the extremes are drawn whole and
/// clear of the axes (a single value gets a range around it).
AxisRange paddedRange(double low, double high, double minimumPad);
/// `paddedRange` for a value axis, whose padding never crosses zero: data of 0 or more start at
/// 0, data of 0 or less end there, so no label shows a sign that no value has. All zeros give 0
/// to `minimumPad`.
AxisRange valueRange(double low, double high, double minimumPad);

/// A tick interval of 1, 2 or 5 times a power of ten for a value axis over `span` with room for
/// `labels` labels: the smallest that puts no more ticks on it than there is room for, but never
/// so large that fewer than two ticks fall on it, and never below 1, as the value axes show whole
/// numbers only.
double niceStep(double span, int labels);

/// The marks of a time axis: ticks on round moments of the local time zone, each labelled with
/// what tells it from the others, and a title naming what they all share.
struct TimeTicks {
    QList<double> moments;  ///< seconds since 1970, ascending
    QStringList labels;     ///< one a moment, each different
    QString title;
};

/// Pixels that the text of a time label takes.
using LabelWidth = std::function<double(const QString&)>;

/// Ticks for a time axis over `seconds` drawn `pixels` wide: the closest round moments, every 1,
/// 2, 5, 10, 15 or 30 seconds or minutes, 1, 2, 3, 6 or 12 hours, 1 or 2 days, on Mondays, on
/// the first of every 1, 3 or 6 months or of 1, 2 or 5 times a power of ten years, whose labels
/// keep apart whole. A label lies within the axis, or at most `overhang` pixels past its right
/// end; a tick whose label would not is left out. The labels say no more than the interval
/// needs, and the year stands in each of them where it changes, in the title otherwise.
TimeTicks timeTicks(AxisRange seconds, double pixels, double overhang, const LabelWidth& width);

/// `seconds` since 1970-01-01 00:00:00 UTC as "HH:mm:ssZ yyyy-MM-dd" in the local time zone,
/// the seconds of the instant's floor; instants beyond the calendar's reach are clamped to it.
QString instantText(double seconds);

}  // namespace quill::ui
