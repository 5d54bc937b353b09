#include "ui/plot/point_raster.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numbers>

namespace quill::ui {

namespace {

/// Samples per pixel side when measuring how much of a pixel the disc covers; its square is
/// the full coverage, 256.
constexpr int kSamples = 16;
constexpr std::uint32_t kFull = kSamples * kSamples;

/// How many of a pixel's samples lie inside a disc of radius `radius` centred on the middle of
/// the pixel (0, 0).
std::uint32_t coverage(int dx, int dy, double radius) {
    std::uint32_t inside = 0;
    for (int i = 0; i < kSamples; ++i) {
        const double sx = dx - 0.5 + (i + 0.5) / kSamples;
        for (int j = 0; j < kSamples; ++j) {
            const double sy = dy - 0.5 + (j + 0.5) / kSamples;
            inside += sx * sx + sy * sy <= radius * radius ? 1u : 0u;
        }
    }
    return inside;
}

/// `src` over `dst` at `alpha` / 256, both premultiplied; two channels per multiply.
inline std::uint32_t blend(std::uint32_t src, std::uint32_t dst, std::uint32_t alpha) {
    const std::uint32_t keep = kFull - alpha;
    const std::uint32_t rb =
        (((src & 0xff00ffu) * alpha + (dst & 0xff00ffu) * keep) >> 8) & 0xff00ffu;
    const std::uint32_t ag =
        (((src >> 8) & 0xff00ffu) * alpha + ((dst >> 8) & 0xff00ffu) * keep) & 0xff00ff00u;
    return rb | ag;
}

/// The image's pixels, and the dot as offsets into them.
class Canvas {
public:
    Canvas(QImage& image, const DotStamp& dot)
        : bits_(reinterpret_cast<std::uint32_t*>(image.bits())),
          stride_(image.bytesPerLine() / 4),
          width_(image.width()),
          height_(image.height()),
          dot_(dot) {
        // Millions of points cross the same few cells: the offsets are worked out once, and the
        // cells covered whole, which need no blending, are kept apart.
        for (const DotStamp::Cell& cell : dot.cells()) {
            const qsizetype offset = cell.dy * stride_ + cell.dx;
            if (cell.coverage == kFull)
                whole_.push_back(offset);
            else
                edge_.push_back({offset, cell.coverage});
        }
    }

    /// Draws the dot centred on pixel (`ix`, `iy`), which may lie up to the dot's reach outside.
    void stamp(int ix, int iy, std::uint32_t colour) {
        const int r = dot_.reach();
        if (ix >= r && ix < width_ - r && iy >= r && iy < height_ - r)
            stampInside(bits_ + static_cast<qsizetype>(iy) * stride_ + ix, colour);
        else
            stampClipped(ix, iy, colour);
    }

private:
    struct EdgeCell {
        qsizetype offset;
        std::uint32_t coverage;
    };

    static void put(std::uint32_t& pixel, std::uint32_t colour, std::uint32_t coverage) {
        // Dense data mostly lands on its own colour, which blending would leave as it is.
        if (pixel != colour) pixel = coverage == kFull ? colour : blend(colour, pixel, coverage);
    }

    void stampInside(std::uint32_t* centre, std::uint32_t colour) const {
        for (const qsizetype offset : whole_) centre[offset] = colour;
        for (const EdgeCell& cell : edge_) put(centre[cell.offset], colour, cell.coverage);
    }

    void stampClipped(int ix, int iy, std::uint32_t colour) {
        for (const DotStamp::Cell& cell : dot_.cells()) {
            const int x = ix + cell.dx;
            const int y = iy + cell.dy;
            if (x < 0 || x >= width_ || y < 0 || y >= height_) continue;
            put(bits_[static_cast<qsizetype>(y) * stride_ + x], colour, cell.coverage);
        }
    }

    std::uint32_t* bits_;
    qsizetype stride_;
    int width_;
    int height_;
    const DotStamp& dot_;
    std::vector<qsizetype> whole_;
    std::vector<EdgeCell> edge_;
};

/// Where each point's dot goes, and in which palette entry.
class Placement {
public:
    Placement(const PointColumns& points, PointRange range, const RasterFrame& frame, int reach,
              std::size_t paletteSize)
        : points_(points),
          first_(std::min(range.first, points.size())),
          last_(std::clamp(range.last, first_, points.size())),
          // Pixel = origin + slope * stored value; x is stored relative to the columns' origin.
          xOrigin_(frame.x.toPixel(points.xOrigin)),
          xSlope_(frame.x.pixelsPerValue()),
          yOrigin_(frame.y.toPixel(0)),
          ySlope_(frame.y.pixelsPerValue()),
          reach_(reach),
          width_(frame.size.width()),
          height_(frame.size.height()),
          paletteSize_(paletteSize) {}

    /// The points to draw are [first, last).
    std::size_t first() const { return first_; }
    std::size_t last() const { return last_; }

    /// The centre pixel of point `i`'s dot; false where the dot misses the image (or the point
    /// has no place at all, NaN).
    bool centre(std::size_t i, int& ix, int& iy) const {
        const double px = xOrigin_ + xSlope_ * points_.x[i];
        const double py = yOrigin_ + ySlope_ * points_.y[i];
        if (!(px >= -reach_ && px < width_ + reach_ && py >= -reach_ && py < height_ + reach_))
            return false;
        // Both lie at -reach or beyond, so truncating from there floors, without a call to floor.
        ix = static_cast<int>(px + reach_) - reach_;
        iy = static_cast<int>(py + reach_) - reach_;
        return true;
    }

    /// Whether the points to draw come in order of time, and so column after column.
    bool inColumns() const {
        const auto begin = points_.x.begin();
        return std::is_sorted(begin + static_cast<std::ptrdiff_t>(first_),
                              begin + static_cast<std::ptrdiff_t>(last_));
    }

    /// How many centre rows there are, those within the reach outside the image included.
    std::size_t rows() const { return static_cast<std::size_t>(height_ + 2 * reach_); }
    std::size_t rowIndex(int iy) const { return static_cast<std::size_t>(iy + reach_); }

    std::size_t colour(std::size_t i) const {
        const std::size_t index = points_.colour.empty() ? 0 : points_.colour[i];
        return index < paletteSize_ ? index : index % paletteSize_;
    }

    /// How many centre pixels there are, those within the reach outside the image included.
    std::size_t centres() const {
        return static_cast<std::size_t>(width_ + 2 * reach_) *
               static_cast<std::size_t>(height_ + 2 * reach_);
    }
    std::size_t centreIndex(int ix, int iy) const {
        return static_cast<std::size_t>(iy + reach_) *
                   static_cast<std::size_t>(width_ + 2 * reach_) +
               static_cast<std::size_t>(ix + reach_);
    }

private:
    const PointColumns& points_;
    std::size_t first_;
    std::size_t last_;
    double xOrigin_;
    double xSlope_;
    double yOrigin_;
    double ySlope_;
    int reach_;
    int width_;
    int height_;
    std::size_t paletteSize_;
};

/// Most entries the last-dot table may take, 16 MB: room for a dozen colours on a large chart.
constexpr std::size_t kMaxGrid = std::size_t{4} << 20;
constexpr std::uint32_t kNoPoint = 0xffffffffu;

void drawAll(const Placement& placement, Canvas& canvas,
             const std::vector<std::uint32_t>& colours) {
    int ix = 0;
    int iy = 0;
    for (std::size_t i = placement.first(); i < placement.last(); ++i) {
        if (placement.centre(i, ix, iy)) canvas.stamp(ix, iy, colours[placement.colour(i)]);
    }
}

/// Draws, of the points of one colour centred on one pixel, the last only. The dots before it
/// there cover exactly its pixels in its colour, and whatever came between is covered again by
/// it, so leaving them out changes nothing but how deep its soft edge is. Millions of points
/// crowd a few hundred thousand pixels: this leaves a fraction of the dots to draw.
void drawLastOfEach(const Placement& placement, Canvas& canvas,
                    const std::vector<std::uint32_t>& colours) {
    const std::size_t count = colours.size();
    std::vector<std::uint32_t> last(placement.centres() * count, kNoPoint);
    int ix = 0;
    int iy = 0;
    for (std::size_t i = placement.first(); i < placement.last(); ++i) {
        if (placement.centre(i, ix, iy))
            last[placement.centreIndex(ix, iy) * count + placement.colour(i)] =
                static_cast<std::uint32_t>(i);
    }
    for (std::size_t i = placement.first(); i < placement.last(); ++i) {
        if (!placement.centre(i, ix, iy)) continue;
        const std::size_t colour = placement.colour(i);
        if (last[placement.centreIndex(ix, iy) * count + colour] == i)
            canvas.stamp(ix, iy, colours[colour]);
    }
}

/// For points in order of time, whose centres come column after column: of the points centred
/// on one pixel, draws the last only, whatever its colour. A dot drawn later on the same centre
/// covers the earlier ones whole but for the soft edge they would tint, so leaving them out
/// changes no more than that edge; at millions of points it leaves at most one dot per pixel
/// to draw. The table of last points need only hold the column at hand, which stays in the
/// cache, and the dots left are drawn in the order of the points.
void drawColumnByColumn(const Placement& placement, Canvas& canvas,
                        const std::vector<std::uint32_t>& colours) {
    struct Centre {
        std::uint32_t index;
        int iy;
    };
    std::vector<std::uint32_t> last(placement.rows(), kNoPoint);
    std::vector<Centre> column;  // the centres of the column at hand, in the order of the points
    int columnX = 0;
    const auto flush = [&] {
        // Entries left by earlier columns hold smaller indices, which no point here matches.
        for (const Centre& centre : column) {
            if (last[placement.rowIndex(centre.iy)] == centre.index)
                canvas.stamp(columnX, centre.iy, colours[placement.colour(centre.index)]);
        }
        column.clear();
    };
    int ix = 0;
    int iy = 0;
    for (std::size_t i = placement.first(); i < placement.last(); ++i) {
        if (!placement.centre(i, ix, iy)) continue;
        if (ix != columnX) {
            flush();
            columnX = ix;
        }
        const auto index = static_cast<std::uint32_t>(i);
        last[placement.rowIndex(iy)] = index;
        column.push_back({index, iy});
    }
    flush();
}

}  // namespace

DotStamp::DotStamp(double diameter) {
    const double radius = std::max(diameter, 0.0) / 2;
    // A pixel dx away starts dx - 0.5 from the centre.
    reach_ = std::max(0, static_cast<int>(std::ceil(radius + 0.5)) - 1);
    for (int dy = -reach_; dy <= reach_; ++dy) {
        for (int dx = -reach_; dx <= reach_; ++dx) {
            const std::uint32_t covered = coverage(dx, dy, radius);
            if (covered > 0) cells_.push_back({dx, dy, covered});
        }
    }
    // However small, a point stays visible.
    if (cells_.empty()) cells_.push_back({0, 0, kFull});
}

double dotDiameter(double area) {
    return 2 * std::sqrt(std::max(area, 0.0) / std::numbers::pi);
}

void rasterisePoints(const PointColumns& points, const RasterFrame& frame, const DotStamp& dot,
                     std::span<const QRgb> palette, QImage& image, PointRange range) {
    if (image.size() != frame.size || image.format() != QImage::Format_ARGB32_Premultiplied)
        image = QImage(frame.size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return;
    image.fill(Qt::transparent);
    if (palette.empty()) return;

    std::vector<std::uint32_t> colours;
    colours.reserve(palette.size());
    for (const QRgb rgb : palette) colours.push_back(qPremultiply(rgb));
    const Placement placement(points, range, frame, dot.reach(), colours.size());
    Canvas canvas(image, dot);
    const std::size_t grid = placement.centres() * colours.size();
    if (points.size() >= kNoPoint)
        drawAll(placement, canvas, colours);
    else if (placement.inColumns())
        drawColumnByColumn(placement, canvas, colours);
    else if (grid <= kMaxGrid)
        drawLastOfEach(placement, canvas, colours);
    else
        drawAll(placement, canvas, colours);
}

QImage rasterisePoints(const PointColumns& points, const RasterFrame& frame, const DotStamp& dot,
                       std::span<const QRgb> palette) {
    QImage image;
    rasterisePoints(points, frame, dot, palette, image);
    return image;
}

}  // namespace quill::ui
