#include "ui/plot/point_layer.h"

#include <QPaintDevice>
#include <QPainter>
#include <cmath>

namespace quill::ui {

PointLayer::PointLayer(double dotArea, QGraphicsItem* parent)
    : QGraphicsItem(parent), dotArea_(dotArea) {
    setAcceptedMouseButtons(Qt::NoButton);
    setAcceptHoverEvents(false);
}

void PointLayer::setPoints(const PointColumns* points, AxisRange x, AxisRange y) {
    points_ = points;
    x_ = x;
    y_ = y;
    invalidate();
}

void PointLayer::setPalette(std::vector<QRgb> palette) {
    if (palette == palette_) return;
    palette_ = std::move(palette);
    invalidate();
}

void PointLayer::setPlotArea(const QRectF& area) {
    setPos(area.topLeft());
    if (area.size() == size_) return;
    prepareGeometryChange();
    size_ = area.size();
    invalidate();
}

void PointLayer::invalidate() {
    stale_ = true;
    shown_ = false;
    update();
}

void PointLayer::rebuild(double pixelRatio) {
    if (pixelRatio != pixelRatio_ || !dot_) {
        dot_.emplace(dotDiameter(dotArea_) * pixelRatio);
        pixelRatio_ = pixelRatio;
    }
    const QSizeF extent = size_ * pixelRatio;
    const QSize pixels(static_cast<int>(std::ceil(extent.width())),
                       static_cast<int>(std::ceil(extent.height())));
    const RasterFrame frame{LinearScale(x_, extent.width()), LinearScale(y_, extent.height(), true),
                            pixels};
    if (points_ != nullptr && !pixels.isEmpty())
        rasterisePoints(*points_, frame, *dot_, palette_, raster_);
    else
        raster_ = QImage();
    raster_.setDevicePixelRatio(pixelRatio);
    stale_ = false;
    ++rebuilds_;
}

void PointLayer::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    const double pixelRatio = painter->device()->devicePixelRatioF();
    if (stale_ || pixelRatio != pixelRatio_) rebuild(pixelRatio);
    if (!raster_.isNull()) painter->drawImage(QPointF(), raster_);
    shown_ = true;
    if (painted_) painted_();
}

}  // namespace quill::ui
