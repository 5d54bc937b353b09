#include "ui/plot/point_layer.h"

#include <QPaintDevice>
#include <QPaintEngine>
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

std::size_t PointLayer::pointsInView() const {
    if (points_ == nullptr || size_.isEmpty()) return 0;
    const auto [first, last] = points_->indicesWithin(x_.min, x_.max);
    return last - first;
}

bool PointLayer::drawsShapes(const QPainter& painter) const {
    // On screen and in a PNG image, the cached image is as sharp and far quicker.
    const QPaintEngine* engine = painter.paintEngine();
    if (engine == nullptr || engine->type() != QPaintEngine::SVG || palette_.empty()) return false;
    return shapeTest_ ? shapeTest_() : pointsInView() <= kMostPointShapes;
}

void PointLayer::paintShapes(QPainter& painter) const {
    if (points_ == nullptr || size_.isEmpty()) return;
    // The plot area starts a bleed in from the item's corner. A drawing has no clip: a dot is
    // drawn where its centre lies on the plot area, whole.
    const LinearScale x(x_, size_.width());
    const LinearScale y(y_, size_.height(), true);
    const QRectF area(QPointF(), size_);
    const double radius = dotDiameter(dotArea_) / 2;
    const auto [first, last] = points_->indicesWithin(x_.min, x_.max);
    painter.save();
    painter.translate(bleed_, bleed_);
    painter.setPen(Qt::NoPen);
    // A drawing states the colour of each run of shapes anew, at some hundred bytes a time.
    // Colour by colour within each batch of points near in time keeps the runs long; later dots
    // still lie over earlier ones, but for dots of one batch and of other colours.
    const std::size_t shades = palette_.size();
    points_->read([&](const auto& points) {
        points.batches(first, last,
                       [&](std::size_t, std::size_t count, const double* xs, const double* ys,
                           const std::size_t* colours) {
                           for (std::size_t shade = 0; shade < shades; ++shade) {
                               painter.setBrush(QColor::fromRgba(palette_[shade]));
                               for (std::size_t j = 0; j < count; ++j) {
                                   const QPointF centre(x.toPixel(xs[j]), y.toPixel(ys[j]));
                                   if (colours[j] % shades == shade && area.contains(centre))
                                       painter.drawEllipse(centre, radius, radius);
                               }
                           }
                       });
    });
    painter.restore();
}

void PointLayer::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    // A drawing of the window is no paint on screen: the image and its state stay as they are.
    if (drawsShapes(*painter)) return paintShapes(*painter);
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
