#pragma once

#include <QImage>
#include <QRgb>
#include <QSize>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "ui/plot/plot_scale.h"
#include "ui/plot/point_columns.h"

namespace quill::ui {

/// The disc every point is drawn as: the pixels around a centre pixel that it covers, each with
/// its coverage, so that the edge is smoothed without drawing through a painter.
class DotStamp {
public:
    explicit DotStamp(double diameter);

    struct Cell {
        int dx;
        int dy;
        std::uint32_t coverage;  ///< 1 to 256; 256 covers the pixel whole
    };
    const std::vector<Cell>& cells() const { return cells_; }
    /// How far any cell lies from the centre pixel, in pixels along either axis.
    int reach() const { return reach_; }

private:
    std::vector<Cell> cells_;
    int reach_ = 0;
};

/// The diameter in pixels of a dot whose area is `area` square pixels.
double dotDiameter(double area);

/// Where the points land: `x` and `y` map values to pixels of the image (y flipped, so larger
/// values sit higher), `size` is the image's size in pixels.
struct RasterFrame {
    LinearScale x;
    LinearScale y;
    QSize size;
};

/// The indices [first, last) of the points to draw; `last` beyond the points means to their end.
struct PointRange {
    std::size_t first = 0;
    std::size_t last = SIZE_MAX;
};

/// Draws every point of `range` as `dot` in its palette colour (`palette[colour]`, cycling when the
/// palette is shorter) into `image`, later points over earlier ones, on a transparent background.
/// Of the dots of one colour centred on one pixel only the last is drawn: the others would change
/// no more than how deep its soft edge is; where the points come in order of time, only the last
/// of any colour is, which changes no more than the tint of its edge. `image` is reallocated only
/// when its size or format differ. Points whose disc misses the image are skipped; an empty palette
/// draws nothing.
void rasterisePoints(const PointColumns& points, const RasterFrame& frame, const DotStamp& dot,
                     std::span<const QRgb> palette, QImage& image, PointRange range = {});
QImage rasterisePoints(const PointColumns& points, const RasterFrame& frame, const DotStamp& dot,
                       std::span<const QRgb> palette);

}  // namespace quill::ui
