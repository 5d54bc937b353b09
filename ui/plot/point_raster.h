#pragma once

#include <QImage>
#include <QRgb>
#include <QSize>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "ui/plot/plot_scale.h"

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

/// Draws points one after the other as dots into an image, later ones over earlier ones. Of the
/// points that follow one another on one column of centre pixels, only the last on each centre
/// is drawn: a dot drawn later on the same centre covers the earlier ones whole but for the soft
/// edge they would tint, so leaving them out changes no more than that edge. Points in order of
/// time come column after column, and then, at millions of points, at most one dot per pixel is
/// drawn. The table of last points need only hold the column at hand, which stays in the cache.
class PointRasteriser {
public:
    /// Readies `image` for `frame`, transparent; it is reallocated only when its size or format
    /// differ. Palette entry `colour % palette.size()` colours a point of `colour`.
    PointRasteriser(QImage& image, const RasterFrame& frame, const DotStamp& dot,
                    std::span<const QRgb> palette);

    /// Whether no point would be drawn: there is no image, or no palette.
    bool idle() const { return colours_.empty() || width_ <= 0 || height_ <= 0; }

    /// Adds the point at (`x`, `y`) in the frame's values; one whose dot misses the image, or
    /// has no place at all (NaN), is skipped. Always inlined: a call would cost about as much
    /// as placing the point.
    [[gnu::always_inline]] void add(double x, double y, std::size_t colour) {
        const double px = xOffset_ + xSlope_ * x;
        const double py = yOffset_ + ySlope_ * y;
        if (!(px >= -reach_ && px < width_ + reach_ && py >= -reach_ && py < height_ + reach_))
            return;
        // Both lie at -reach or beyond, so truncating from there floors, without a call to floor.
        const int ix = static_cast<int>(px + reach_) - reach_;
        const int iy = static_cast<int>(py + reach_) - reach_;
        if (ix != columnX_) {
            flush();
            columnX_ = ix;
        }
        const std::size_t shade = colour < colours_.size() ? colour : colour % colours_.size();
        last_[static_cast<std::size_t>(iy + reach_)] = column_.size();
        column_.push_back({iy, static_cast<std::uint32_t>(shade)});
    }

    /// Draws the points added and not yet drawn.
    void flush();

private:
    struct Centre {
        int iy;
        std::uint32_t colour;
    };
    struct EdgeCell {
        qsizetype offset;
        std::uint32_t coverage;
    };

    void stamp(int ix, int iy, std::uint32_t colour);
    void stampClipped(int ix, int iy, std::uint32_t colour);

    std::uint32_t* bits_ = nullptr;
    qsizetype stride_ = 0;
    int width_ = 0;
    int height_ = 0;
    const DotStamp& dot_;
    int reach_;
    double xOffset_;
    double xSlope_;
    double yOffset_;
    double ySlope_;
    std::vector<std::uint32_t> colours_;  ///< premultiplied
    /// The dot's cells as offsets from its centre: those covered whole, which need no blending,
    /// and the others.
    std::vector<qsizetype> whole_;
    std::vector<EdgeCell> edge_;
    /// The column at hand: its centres in the order of the points, and, by row (the reach above
    /// the image included), the index into them of the last one on it.
    int columnX_ = 0;
    std::vector<Centre> column_;
    std::vector<std::size_t> last_;
};

/// Draws the points of `range` of `points` as `dot` into `image` (see `PointRasteriser`) on a
/// transparent background. `points` gives `size()` and hands the points over in `batches` (see
/// `InTimeOrder`); any order will do, but in order of time they are drawn fastest.
template <typename Points>
void rasterisePoints(const Points& points, const RasterFrame& frame, const DotStamp& dot,
                     std::span<const QRgb> palette, QImage& image, PointRange range = {}) {
    PointRasteriser raster(image, frame, dot, palette);
    if (raster.idle()) return;
    const std::size_t first = std::min(range.first, points.size());
    const std::size_t last = std::clamp(range.last, first, points.size());
    points.batches(first, last,
                   [&raster](std::size_t, std::size_t count, const double* xs, const double* ys,
                             const std::size_t* colours) {
                       for (std::size_t j = 0; j < count; ++j) raster.add(xs[j], ys[j], colours[j]);
                   });
    raster.flush();
}

}  // namespace quill::ui
