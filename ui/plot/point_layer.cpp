#include "ui/plot/point_layer.h"

#include <QPaintDevice>
#include <QPainter>
#include <cmath>

namespace quill::ui {

namespace {

/// The scale of `range` over `extent` pixels, in an image that reaches `bleed` pixels beyond
/// both ends.
LinearScale bleedScale(AxisRange range, double extent, double bleed, bool flipped) {
    const double pad = extent > 0 ? bleed * range.span() / extent : 0;
    return {{range.min - pad, range.max + pad}, extent + 2 * bleed, flipped};
}

}  // namespace

PointLayer::PointLayer(double dotArea, QGraphicsItem* parent)
    : QGraphicsItem(parent), dotArea_(dotArea), bleed_(std::ceil(dotDiameter(dotArea) / 2)) {
    setAcceptedMouseButtons(Qt::NoButton);
    setAcceptHoverEvents(false);
}

void PointLayer::setPoints(const PlotSeries* points, AxisRange x, AxisRange y) {
    points_ = points;
    x_ = x;
    y_ = y;
    invalidate();
}

void PointLayer::forgetImages() {
    kept_.reset();
    invalidate();
}

void PointLayer::keepImageOf(AxisRange x, AxisRange y) {
    keepRanges_ = std::pair{x, y};
}

void PointLayer::setPalette(std::vector<QRgb> palette) {
    if (palette == palette_) return;
    palette_ = std::move(palette);
    invalidate();
}

QRectF PointLayer::boundingRect() const {
    return {QPointF(), size_.grownBy(QMarginsF(bleed_, bleed_, bleed_, bleed_))};
}

void PointLayer::setPlotArea(const QRectF& area) {
    setPos(area.topLeft() - QPointF(bleed_, bleed_));
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
    const double bleed = bleed_ * pixelRatio;
    const QSize pixels(static_cast<int>(std::ceil(extent.width() + 2 * bleed)),
                       static_cast<int>(std::ceil(extent.height() + 2 * bleed)));
    const RasterFrame frame{bleedScale(x_, extent.width(), bleed, false),
                            bleedScale(y_, extent.height(), bleed, true), pixels};
    if (points_ != nullptr && !size_.isEmpty()) {
        // Only the points whose dot can reach the image: zoomed in, a sliver of them.
        const double reach = dot_->reach() + 1;
        const auto [first, last] = points_->indicesWithin(frame.x.toValue(-reach),
                                                          frame.x.toValue(pixels.width() + reach));
        points_->read([&](const auto& points) {
            rasterisePoints(points, frame, *dot_, palette_, raster_, {first, last});
        });
        considered_ = last - first;
    } else {
        raster_ = QImage();
        considered_ = 0;
    }
    raster_.setDevicePixelRatio(pixelRatio);
    stale_ = false;
    ++rebuilds_;
}

bool PointLayer::takeKept(double pixelRatio) {
    if (!kept_ || kept_->x != x_ || kept_->y != y_ || kept_->size != size_ ||
        kept_->pixelRatio != pixelRatio || kept_->palette != palette_)
        return false;
    raster_ = kept_->image;
    considered_ = kept_->considered;
    stale_ = false;
    return true;
}

void PointLayer::keep() {
    if (!keepRanges_ || keepRanges_->first != x_ || keepRanges_->second != y_) return;
    kept_ = Kept{x_, y_, size_, pixelRatio_, palette_, considered_, raster_};
}

void PointLayer::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    const double pixelRatio = painter->device()->devicePixelRatioF();
    if ((stale_ || pixelRatio != pixelRatio_) && !takeKept(pixelRatio)) {
        rebuild(pixelRatio);
        keep();
    }
    if (!raster_.isNull()) painter->drawImage(QPointF(), raster_);
    shown_ = true;
    if (painted_) painted_();
}

}  // namespace quill::ui
