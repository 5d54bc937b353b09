#include "ui/plot/point_raster.h"

#include <algorithm>
#include <cmath>
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

inline void put(std::uint32_t& pixel, std::uint32_t colour, std::uint32_t coverage) {
    // Dense data mostly lands on its own colour, which blending would leave as it is.
    if (pixel != colour) pixel = coverage == kFull ? colour : blend(colour, pixel, coverage);
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

PointRasteriser::PointRasteriser(QImage& image, const RasterFrame& frame, const DotStamp& dot,
                                 std::span<const QRgb> palette)
    : dot_(dot),
      reach_(dot.reach()),
      // Pixel = offset + slope * value.
      xOffset_(frame.x.toPixel(0)),
      xSlope_(frame.x.pixelsPerValue()),
      yOffset_(frame.y.toPixel(0)),
      ySlope_(frame.y.pixelsPerValue()) {
    if (image.size() != frame.size || image.format() != QImage::Format_ARGB32_Premultiplied)
        image = QImage(frame.size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return;
    image.fill(Qt::transparent);
    bits_ = reinterpret_cast<std::uint32_t*>(image.bits());
    stride_ = image.bytesPerLine() / 4;
    width_ = image.width();
    height_ = image.height();
    for (const QRgb rgb : palette) colours_.push_back(qPremultiply(rgb));
    // Millions of points cross the same few cells: the offsets are worked out once.
    for (const DotStamp::Cell& cell : dot.cells()) {
        const qsizetype offset = cell.dy * stride_ + cell.dx;
        if (cell.coverage == kFull)
            whole_.push_back(offset);
        else
            edge_.push_back({offset, cell.coverage});
    }
    last_.resize(static_cast<std::size_t>(height_ + 2 * reach_));
}

void PointRasteriser::flush() {
    // Every row a centre of the column lies on was written by the column's own points.
    for (std::size_t j = 0; j < column_.size(); ++j) {
        const Centre& centre = column_[j];
        if (last_[static_cast<std::size_t>(centre.iy + reach_)] == j)
            stamp(columnX_, centre.iy, colours_[centre.colour]);
    }
    column_.clear();
}

void PointRasteriser::stamp(int ix, int iy, std::uint32_t colour) {
    const int r = reach_;
    if (ix < r || ix >= width_ - r || iy < r || iy >= height_ - r)
        return stampClipped(ix, iy, colour);
    std::uint32_t* centre = bits_ + static_cast<qsizetype>(iy) * stride_ + ix;
    for (const qsizetype offset : whole_) centre[offset] = colour;
    for (const EdgeCell& cell : edge_) put(centre[cell.offset], colour, cell.coverage);
}

void PointRasteriser::stampClipped(int ix, int iy, std::uint32_t colour) {
    for (const DotStamp::Cell& cell : dot_.cells()) {
        const int x = ix + cell.dx;
        const int y = iy + cell.dy;
        if (x < 0 || x >= width_ || y < 0 || y >= height_) continue;
        put(bits_[static_cast<qsizetype>(y) * stride_ + x], colour, cell.coverage);
    }
}

}  // namespace quill::ui
