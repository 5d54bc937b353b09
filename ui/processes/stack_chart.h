#pragma once

#include <QRectF>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "analysis/process_index.h"
#include "ui/plot/plot_scale.h"

namespace quill::ui {

/// What the processes of a window wrote over time: one bar per bucket of time, stacked from the
/// process that wrote the most in the window upwards, "other" on top; negative sizes stack
/// downwards from zero. A legend above names the series, a tip over a segment tells its bucket,
/// process and KB.
///
/// The time axis zooms and pans as the plot's does: the wheel zooms about the pointer, dragging
/// pans, a double-click or Home asks for the whole file again. The chart only asks
/// (`spanRequested`); whoever owns the span answers with `setSpan`.
class StackChart final : public QWidget {
    Q_OBJECT
public:
    explicit StackChart(QWidget* parent = nullptr);
    ~StackChart() override;

    /// Shows `buckets`, whose process ids are in `table`'s strings.
    void setBuckets(std::shared_ptr<const StatTable> table, ProcessBuckets buckets);
    const ProcessBuckets& buckets() const { return buckets_; }
    /// Spans `shown` of the time axis, in seconds since 1970; zooming and panning stay within
    /// `full`.
    void setSpan(AxisRange shown, AxisRange full);
    AxisRange shownSpan() const { return shown_; }

    /// The legend's text of series `j`: a process's name without its directory, or "other".
    QString shortName(std::size_t j) const;
    /// The whole name of series `j`.
    QString fullName(std::size_t j) const;
    /// The tip over series `j` of bucket `k`.
    QString tipText(std::size_t k, std::size_t j) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    /// The user zoomed, panned or asked for the whole file (empty).
    void spanRequested(const std::optional<AxisRange>& span);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    /// Where the legend and the plot lie, and the scales, for the present size.
    struct Layout {
        std::vector<QRectF> legend;  ///< one entry per series
        QRectF plot;
        LinearScale time;
        LinearScale value;  ///< in KB
        double step;        ///< KB between value ticks
    };
    Layout layout() const;
    std::vector<QRectF> legendEntries() const;
    /// The KB that the highest and lowest stacks reach.
    std::pair<double, double> extent() const;
    /// Calls `segment(j, rect)` for every non-empty segment of bucket `k`, in pixels.
    void forEachSegment(const Layout& at, std::size_t k,
                        const std::function<void(std::size_t, const QRectF&)>& segment) const;
    void paintLegend(QPainter& painter, const Layout& at) const;
    void paintValueAxis(QPainter& painter, const Layout& at) const;
    void paintTimeAxis(QPainter& painter, const Layout& at) const;
    void paintBars(QPainter& painter, const Layout& at) const;
    bool showTip(const QPoint& at);
    void zoomAbout(double x, double factor);
    void request(AxisRange span);

    std::shared_ptr<const StatTable> table_;
    ProcessBuckets buckets_;
    AxisRange shown_ = defaultTimeRange();
    AxisRange full_ = defaultTimeRange();
    /// While dragging: where the drag started, in x, and the span shown then.
    std::optional<double> dragFrom_;
    AxisRange dragSpan_;
};

}  // namespace quill::ui
