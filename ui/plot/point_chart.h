#pragma once

#include <QChartView>
#include <QList>
#include <QString>
#include <optional>

#include "ui/plot/plot_scale.h"
#include "ui/plot/point_columns.h"

class QDateTimeAxis;
class QScatterSeries;
class QValueAxis;

namespace quill::ui {

class PointLayer;

/// A point chart over time: a date axis below, a value axis on the left, one dot per point.
/// The chart keeps its axes, legend and palette, but its series stay empty: they own the axes,
/// give each distinct value its legend entry and colour, and the dots themselves are drawn by a
/// `PointLayer` in the chart's scene. Moving the pointer over the chart reports the moment under
/// it, read off the chart's own time scale.
class PointChart final : public QChartView {
    Q_OBJECT
public:
    /// `valueTitle` titles the value axis; `legend` shows one entry per distinct value.
    PointChart(const QString& valueTitle, bool legend, QWidget* parent = nullptr);
    ~PointChart() override;

    /// Replaces the points, their ranges and, when the distinct values differ, the legend.
    void setPoints(PointColumns points);
    const PointColumns& points() const { return points_; }

    /// The moment, in seconds since 1970, that the time axis shows at `x` in the viewport's
    /// coordinates; empty while the chart has no points or its scale yields no finite value.
    std::optional<double> momentAt(double x) const;

    const PointLayer& layer() const { return *layer_; }
    QDateTimeAxis* timeAxis() const { return timeAxis_; }
    QValueAxis* valueAxis() const { return valueAxis_; }

    QSize sizeHint() const override;

Q_SIGNALS:
    /// The pointer moved over the chart; `moment` is `momentAt` its x.
    void pointerMoved(std::optional<double> moment);
    /// The points were painted.
    void pointsPainted();

protected:
    bool viewportEvent(QEvent* event) override;

private:
    void buildAxes(const QString& valueTitle);
    void replaceSeries(const std::vector<std::string>& values);
    void applyRanges();
    void fitTicks(const QRectF& plotArea);
    /// The value axis's tick interval for the range it shows over `height` pixels.
    double valueStep(double height) const;
    void takePalette();

    bool legend_;
    PointColumns points_;
    QDateTimeAxis* timeAxis_ = nullptr;
    QValueAxis* valueAxis_ = nullptr;
    QList<QScatterSeries*> series_;
    PointLayer* layer_ = nullptr;  ///< owned by the chart
    AxisRange timeRange_ = defaultTimeRange();
    AxisRange valueRange_ = defaultValueRange();
};

}  // namespace quill::ui
