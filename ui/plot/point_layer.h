#pragma once

#include <QGraphicsItem>
#include <QImage>
#include <QRgb>
#include <cstddef>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "ui/plot/plot_scale.h"
#include "ui/plot/plot_series.h"
#include "ui/plot/point_raster.h"

class QPainter;

namespace quill::ui {

/// The most points a drawing (SVG) holds as shapes of their own: some megabytes of text, which
/// opens in a viewer in moments. Beyond it an image of them keeps the file small.
inline constexpr std::size_t kMostPointShapes = 50000;

/// The points of a chart, as one item laid over its plot area. A chart item per point costs
/// seconds and gigabytes at millions of points; this item draws them all into one cached image
/// and on every other repaint merely copies it. The image is drawn again only when the points,
/// their ranges, the palette, the plot area's size or the screen's pixel ratio change. It
/// reaches a dot's radius beyond the plot area, so that a dot on an edge (a value of 0 where the
/// axis starts at 0) is drawn whole.
class PointLayer final : public QGraphicsItem {
public:
    /// `dotArea`: the area of each point's disc, in square pixels.
    PointLayer(double dotArea, QGraphicsItem* parent = nullptr);

    /// Shows `points` (not owned: they must stay alive and unchanged until the next call) over
    /// `x` by `y`; null shows nothing.
    void setPoints(const PlotSeries* points, AxisRange x, AxisRange y);
    /// The points given are new ones, even where they lie at the same address.
    void forgetImages();
    /// Keeps the image drawn over `x` by `y` aside, whatever else is drawn after it, so that
    /// coming back to those ranges (the whole of the time, after a zoom) draws nothing anew.
    void keepImageOf(AxisRange x, AxisRange y);
    void setPalette(std::vector<QRgb> palette);
    /// Follows the chart's plot area, in the coordinates of the item's parent.
    void setPlotArea(const QRectF& area);
    /// Decides, when the layer is painted into a drawing, whether each point goes in as a
    /// shape of its own rather than all in one image; without one, whether the points in view
    /// number `kMostPointShapes` at most.
    void setShapeTest(std::function<bool()> test) { shapeTest_ = std::move(test); }
    /// How many points lie within the ranges shown.
    std::size_t pointsInView() const;
    /// Called after every paint, for whoever waits for the points to be on screen.
    void setPaintedCallback(std::function<void()> painted) { painted_ = std::move(painted); }

    /// How many times the image was drawn anew.
    int rebuildCount() const { return rebuilds_; }
    /// How many points the last drawing of the image went through: those in view and a dot's
    /// reach around it.
    std::size_t consideredCount() const { return considered_; }
    /// Whether the last paint showed the points as they are now.
    bool upToDate() const { return !stale_ && shown_; }
    /// Heap the cached image holds.
    qsizetype imageBytes() const { return raster_.sizeInBytes(); }

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    void invalidate();
    void rebuild(double pixelRatio);
    /// Shows the image kept aside where it was drawn for what is to be shown now.
    bool takeKept(double pixelRatio);
    void keep();
    bool drawsShapes(const QPainter& painter) const;
    void paintShapes(QPainter& painter) const;

    const PlotSeries* points_ = nullptr;
    AxisRange x_;
    AxisRange y_;
    std::vector<QRgb> palette_;
    QSizeF size_;
    double dotArea_;
    double bleed_;                 ///< how far the image reaches beyond the plot area on each side
    std::optional<DotStamp> dot_;  ///< for `pixelRatio_`
    double pixelRatio_ = 0;
    QImage raster_;
    /// The image kept aside, with what it was drawn for.
    struct Kept {
        AxisRange x;
        AxisRange y;
        QSizeF size;
        double pixelRatio = 0;
        std::vector<QRgb> palette;
        std::size_t considered = 0;
        QImage image;
    };
    std::optional<Kept> kept_;
    std::optional<std::pair<AxisRange, AxisRange>> keepRanges_;
    bool stale_ = true;
    bool shown_ = false;
    int rebuilds_ = 0;
    std::size_t considered_ = 0;
    std::function<void()> painted_;
    std::function<bool()> shapeTest_;
};

}  // namespace quill::ui
