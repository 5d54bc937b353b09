#pragma once

#include <QChartView>
#include <QList>
#include <QMarginsF>
#include <QString>
#include <optional>

#include "ui/plot/plot_scale.h"
#include "ui/plot/plot_series.h"

class QCategoryAxis;
class QGraphicsSimpleTextItem;
class QRubberBand;
class QScatterSeries;
class QKeyEvent;
class QMouseEvent;
class QValueAxis;
class QWheelEvent;

namespace quill::ui {

class PointLayer;

/// A point chart over time: a time axis below, a value axis on the left, one dot per point.
/// The chart keeps its axes, legend and palette, but its series stay empty: they own the axes,
/// give each distinct value its legend entry and colour, and the dots themselves are drawn by a
/// `PointLayer` in the chart's scene. Moving the pointer over the chart reports the moment under
/// it, read off the chart's own time scale.
///
/// The time axis zooms and pans: the wheel zooms about the pointer, dragging pans, Shift+drag
/// zooms to the span dragged over, and a double-click or Home returns to the full range. The
/// value axis then fits the points in view.
class PointChart final : public QChartView {
    Q_OBJECT
public:
    /// `valueTitle` titles the value axis; `legendTitle` titles a legend of one entry per
    /// distinct value, and an empty one shows no legend.
    PointChart(const QString& valueTitle, const QString& legendTitle, QWidget* parent = nullptr);
    ~PointChart() override;

    /// Replaces the points, their ranges and, when the distinct values differ, the legend.
    void setPoints(PlotSeries points);
    /// Takes in `grown`, the points shown with lines appended (`PlotSeries::grow`); returns
    /// false, changing nothing, for other points.
    bool growPoints(const PlotSeries::Source& grown);
    const PlotSeries& points() const { return points_; }
    /// The moments, in seconds since 1970, that the time axis spans instead of its own points'
    /// (padded as they would be); empty: its own points'. Other moments drop a zoomed span,
    /// unless they are those shown `grown` by a followed file's new lines.
    void setTimeSpan(std::optional<AxisRange> moments, bool grown = false);

    /// The full range of the time axis, in seconds since 1970: the padded moments of the points
    /// or of the time span, where it shows neither zoomed nor panned.
    AxisRange fullTimeRange() const;
    /// The span of time shown, in seconds since 1970; empty: the full range.
    const std::optional<AxisRange>& visibleSpan() const { return visible_; }
    /// Shows `span` of the time axis, kept within the full range and no narrower than it allows;
    /// empty, or a span that covers the full range, shows the full range.
    void setVisibleSpan(std::optional<AxisRange> span);

    /// How far the plot area lies from the chart's edges when the chart is laid out for itself
    /// alone: its margins, its axes with the labels they show now, and its legend.
    const QMarginsF& ownInsets() const { return ownInsets_; }
    /// Widens the margins so that the plot area lies `insets` from the chart's edges, to the
    /// nearest whole pixel; never closer than its own insets.
    void alignPlotArea(const QMarginsF& insets);

    /// The moment, in seconds since 1970, that the time axis shows at `x` in the viewport's
    /// coordinates; empty while the chart has no points or its scale yields no finite value.
    std::optional<double> momentAt(double x) const;

    const PointLayer& layer() const { return *layer_; }
    PointLayer& layer() { return *layer_; }
    QCategoryAxis* timeAxis() const { return timeAxis_; }
    QValueAxis* valueAxis() const { return valueAxis_; }

    QSize sizeHint() const override;

Q_SIGNALS:
    /// The pointer moved over the chart; `moment` is `momentAt` its x.
    void pointerMoved(std::optional<double> moment);
    /// The points were painted.
    void pointsPainted();
    /// `ownInsets` changed, with the labels the chart shows or the room they need.
    void ownInsetsChanged();
    /// The user zoomed, panned or reset the time axis; `span` is the new `visibleSpan`.
    void visibleSpanChanged(const std::optional<AxisRange>& span);

protected:
    bool viewportEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildAxes(const QString& valueTitle);
    void buildLegendTitle(const QString& title);
    void replaceSeries(const std::vector<std::string>& values);
    void applyRanges();
    void followPlotArea(const QRectF& plotArea);
    void fitTicks(const QRectF& plotArea);
    void fitTitles(const QRectF& plotArea);
    void showTicks(const TimeTicks& ticks);
    /// The value axis's range for the points in view.
    AxisRange fittedValueRange() const;
    /// The value axis's tick interval for the range it shows over `height` pixels.
    double valueStep(double height) const;
    void placeLegendTitle();
    void takePalette();

    /// The span the time axis shows now, in seconds since 1970.
    AxisRange shownSpan() const;
    /// The plot area in the viewport's coordinates.
    QRectF plotAreaInViewport() const;
    /// Shows `span` as the user asked for it, and tells whoever follows the chart.
    void requestSpan(std::optional<AxisRange> span);
    void zoomAbout(double x, double factor);
    void panBy(double pixels);
    void showBand(double x);
    void finishBand(double x);

    bool legend_;
    PlotSeries points_;
    QCategoryAxis* timeAxis_ = nullptr;
    QValueAxis* valueAxis_ = nullptr;
    QList<QScatterSeries*> series_;
    PointLayer* layer_ = nullptr;                     ///< owned by the chart
    QGraphicsSimpleTextItem* legendTitle_ = nullptr;  ///< owned by the chart
    std::optional<AxisRange> timeSpan_;
    std::optional<AxisRange> visible_;
    /// While dragging: where the drag started, in the viewport's x, and the span shown then.
    std::optional<double> dragFrom_;
    AxisRange dragSpan_;
    bool banding_ = false;  ///< the drag selects a span rather than pans
    QRubberBand* band_ = nullptr;
    QMarginsF ownInsets_;
    QList<double> tickEnds_;  ///< where the time axis's categories end, in milliseconds
    QMargins alignment_;      ///< added to the margins to line the plot area up
    AxisRange timeRange_ = defaultTimeRange();
    AxisRange valueRange_ = defaultValueRange();
};

}  // namespace quill::ui
