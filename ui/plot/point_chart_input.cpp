// How the pointer and the keys zoom and pan a point chart's time axis.

#include <QChart>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRubberBand>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "ui/plot/point_chart.h"
#include "ui/plot/time_zoom.h"

namespace quill::ui {

namespace {

/// How much one notch of the wheel (or one press of a zoom key) narrows the span.
constexpr double kZoomPerNotch = 1.25;
constexpr double kNotch = 120;
/// How far the arrow keys pan, as a share of the span shown.
constexpr double kPanPerKey = 0.1;
/// A Shift+drag narrower than this many pixels is taken for a slip, not a span.
constexpr double kLeastBand = 4;

}  // namespace

AxisRange PointChart::shownSpan() const {
    return visible_ ? *visible_ : fullTimeRange();
}

QRectF PointChart::plotAreaInViewport() const {
    const QRectF inScene = chart()->mapRectToScene(chart()->plotArea());
    return viewportTransform().mapRect(inScene);
}

void PointChart::requestSpan(std::optional<AxisRange> span) {
    const std::optional<AxisRange> before = visible_;
    setVisibleSpan(span);
    if (visible_ != before) Q_EMIT visibleSpanChanged(visible_);
}

void PointChart::zoomAbout(double x, double factor) {
    const QRectF area = plotAreaInViewport();
    if (area.width() <= 0) return;
    const AxisRange span = shownSpan();
    // Beside the plot the nearest edge of it stays put.
    const double share = std::clamp((x - area.left()) / area.width(), 0.0, 1.0);
    const double anchor = span.min + share * span.span();
    const AxisRange full = fullTimeRange();
    requestSpan(zoomedSpan(span, anchor, factor, full, minimumSpan(full)));
}

void PointChart::panBy(double pixels) {
    const QRectF area = plotAreaInViewport();
    if (area.width() <= 0 || !visible_) return;
    const double seconds = -pixels * visible_->span() / area.width();
    requestSpan(pannedSpan(*visible_, seconds, fullTimeRange()));
}

void PointChart::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    const double notches = (delta.y() != 0 ? delta.y() : delta.x()) / kNotch;
    if (notches == 0) return event->ignore();
    zoomAbout(event->position().x(), std::pow(kZoomPerNotch, -notches));
    // The moment under the pointer is the one the zoom kept there.
    Q_EMIT pointerMoved(momentAt(event->position().x()));
    event->accept();
}

void PointChart::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QChartView::mousePressEvent(event);
    dragFrom_ = event->position().x();
    dragSpan_ = shownSpan();
    banding_ = event->modifiers().testFlag(Qt::ShiftModifier);
    if (banding_)
        showBand(event->position().x());
    else if (visible_)
        viewport()->setCursor(Qt::ClosedHandCursor);
    event->accept();
}

void PointChart::mouseMoveEvent(QMouseEvent* event) {
    if (!dragFrom_ || !event->buttons().testFlag(Qt::LeftButton))
        return QChartView::mouseMoveEvent(event);
    if (banding_) {
        showBand(event->position().x());
    } else if (visible_) {
        // From the span at the start of the drag: the moment grabbed stays under the pointer.
        const QRectF area = plotAreaInViewport();
        const double seconds =
            -(event->position().x() - *dragFrom_) * dragSpan_.span() / std::max(area.width(), 1.0);
        requestSpan(pannedSpan(dragSpan_, seconds, fullTimeRange()));
    }
    event->accept();
}

void PointChart::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragFrom_)
        return QChartView::mouseReleaseEvent(event);
    if (banding_) finishBand(event->position().x());
    dragFrom_.reset();
    banding_ = false;
    viewport()->unsetCursor();
    event->accept();
}

void PointChart::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QChartView::mouseDoubleClickEvent(event);
    requestSpan(std::nullopt);
    event->accept();
}

void PointChart::keyPressEvent(QKeyEvent* event) {
    const QRectF area = plotAreaInViewport();
    switch (event->key()) {
        case Qt::Key_Home:
            requestSpan(std::nullopt);
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            zoomAbout(area.center().x(), 1 / kZoomPerNotch);
            break;
        case Qt::Key_Minus:
            zoomAbout(area.center().x(), kZoomPerNotch);
            break;
        case Qt::Key_Left:
            panBy(area.width() * kPanPerKey);
            break;
        case Qt::Key_Right:
            panBy(-area.width() * kPanPerKey);
            break;
        case Qt::Key_Escape:
            if (!banding_ || !dragFrom_) return QChartView::keyPressEvent(event);
            // Lets go of the span being selected; the drag then does nothing more.
            banding_ = false;
            dragFrom_.reset();
            band_->hide();
            break;
        default:
            return QChartView::keyPressEvent(event);
    }
    event->accept();
}

void PointChart::showBand(double x) {
    if (!band_) band_ = new QRubberBand(QRubberBand::Rectangle, viewport());
    const QRectF area = plotAreaInViewport();
    const double from = std::clamp(*dragFrom_, area.left(), area.right());
    const double to = std::clamp(x, area.left(), area.right());
    band_->setGeometry(
        QRectF(QPointF(std::min(from, to), area.top()), QPointF(std::max(from, to), area.bottom()))
            .toAlignedRect());
    band_->show();
}

void PointChart::finishBand(double x) {
    if (band_) band_->hide();
    const QRectF area = plotAreaInViewport();
    const double from = std::clamp(*dragFrom_, area.left(), area.right());
    const double to = std::clamp(x, area.left(), area.right());
    if (std::abs(to - from) < kLeastBand || area.width() <= 0) return;
    const auto moment = [&](double at) {
        return dragSpan_.min + (at - area.left()) / area.width() * dragSpan_.span();
    };
    requestSpan(AxisRange{moment(std::min(from, to)), moment(std::max(from, to))});
}

}  // namespace quill::ui
