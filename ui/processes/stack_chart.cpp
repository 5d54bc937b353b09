#include "ui/processes/stack_chart.h"

#include <QLocale>
#include <QPainter>
#include <array>
#include <cmath>

#include "ui/qt_text.h"

namespace quill::ui {

namespace {

/// Eight colours told apart at a glance, and a grey for "other".
constexpr std::array<QRgb, 9> kColours = {0x4e79a7, 0xf28e2b, 0xe15759, 0x76b7b2, 0x59a14f,
                                          0xedc948, 0xb07aa1, 0xff9da7, 0xbab0ac};
constexpr int kSwatch = 10;
constexpr int kGap = 6;
/// Room between two legend entries.
constexpr int kEntryGap = 16;
/// The value labels that the axis has room for, at most, for each of so many pixels.
constexpr double kPixelsPerValueLabel = 40;
constexpr int kTick = 4;

QColor colourOf(std::size_t j, std::size_t series) {
    return QColor(j + 1 == series ? kColours.back() : kColours[j % (kColours.size() - 1)]);
}

double kb(const Int128& bytes) {
    return static_cast<double>(clampedToInt64(bytes)) / 1024;
}

QString kbLabel(double value) {
    return QLocale().toString(value, 'f', 0);
}

}  // namespace

StackChart::StackChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("stackChart"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

StackChart::~StackChart() = default;

void StackChart::setBuckets(std::shared_ptr<const StatTable> table, ProcessBuckets buckets) {
    table_ = std::move(table);
    buckets_ = std::move(buckets);
    update();
}

void StackChart::setSpan(AxisRange shown, AxisRange full) {
    if (shown == shown_ && full == full_) return;
    shown_ = shown;
    full_ = full;
    update();
}

QString StackChart::fullName(std::size_t j) const {
    if (j >= buckets_.processes.size() || !table_) return QStringLiteral("other");
    return toQString(table_->strings()[buckets_.processes[j]]);
}

QString StackChart::shortName(std::size_t j) const {
    const QString name = fullName(j);
    // A path's last part, unless the path ends in a slash and so has none.
    const qsizetype slash = name.lastIndexOf(u'/');
    return slash < 0 || slash + 1 == name.size() ? name : name.mid(slash + 1);
}

QSize StackChart::sizeHint() const {
    return {800, 260};
}

QSize StackChart::minimumSizeHint() const {
    return {300, 140};
}

std::pair<double, double> StackChart::extent() const {
    double low = 0;
    double high = 0;
    for (std::size_t k = 0; k < buckets_.buckets(); ++k) {
        double below = 0;
        double above = 0;
        for (std::size_t j = 0; j < buckets_.series(); ++j) {
            const double size = kb(buckets_.at(k, j));
            (size < 0 ? below : above) += size;
        }
        low = std::min(low, below);
        high = std::max(high, above);
    }
    return {low, high};
}

std::vector<QRectF> StackChart::legendEntries() const {
    // Entries as wide as their names, on as many lines as they need; a name wider than the
    // whole chart is cut in its middle.
    const QFontMetricsF metrics(font());
    const double right = width() - kGap;
    std::vector<QRectF> legend;
    QPointF at(kGap, kGap);
    for (std::size_t j = 0; j < buckets_.series() && buckets_.buckets() > 0; ++j) {
        const double wide = kSwatch + kGap + metrics.horizontalAdvance(shortName(j)) + 1;
        if (at.x() > kGap && at.x() + wide > right) at = {kGap, at.y() + metrics.height()};
        legend.emplace_back(at, QSizeF(std::min(wide, right - at.x()), metrics.height()));
        at.rx() += wide + kEntryGap;
    }
    return legend;
}

StackChart::Layout StackChart::layout() const {
    const QFontMetricsF metrics(font());
    const double line = metrics.height();
    const std::vector<QRectF> legend = legendEntries();
    const double top = (legend.empty() ? 0 : legend.back().bottom()) + kGap;
    // The value axis: labels on 1, 2 or 5 times a power of ten, from the stacks' extent.
    const QRectF room(0, top, width(), height() - top - line * 2 - 2 * kGap);
    auto [low, high] = extent();
    const double step =
        niceStep(std::max(high - low, 1.0),
                 std::max(2, static_cast<int>(room.height() / kPixelsPerValueLabel)));
    low = std::floor(low / step) * step;
    high = std::max(std::ceil(high / step) * step, low + step);
    const double labels =
        std::max(metrics.horizontalAdvance(kbLabel(low)), metrics.horizontalAdvance(kbLabel(high)));
    const double left = line + kGap + labels + kTick + kGap;
    // Room at the right for half a time label past the last tick.
    const QRectF plot(left, room.top(), std::max(room.width() - left - line * 2, 1.0),
                      std::max(room.height(), 1.0));
    return {legend, plot, LinearScale(shown_, plot.width()),
            LinearScale({low, high}, plot.height(), true), step};
}

void StackChart::forEachSegment(
    const Layout& at, std::size_t k,
    const std::function<void(std::size_t, const QRectF&)>& segment) const {
    const double from = at.plot.left() + at.time.toPixel(static_cast<double>(buckets_.starts[k]));
    const double to = at.plot.left() + at.time.toPixel(static_cast<double>(buckets_.starts[k + 1]));
    // Bars apart where there is room for a gap between them.
    const double inset = to - from > 4 ? std::max(1.0, (to - from) * 0.1) : 0;
    double above = 0;
    double below = 0;
    for (std::size_t j = 0; j < buckets_.series(); ++j) {
        const double size = kb(buckets_.at(k, j));
        if (size == 0) continue;
        double& base = size < 0 ? below : above;
        const double y0 = at.plot.top() + at.value.toPixel(base);
        base += size;
        const double y1 = at.plot.top() + at.value.toPixel(base);
        segment(j, QRectF(QPointF(from + inset, std::min(y0, y1)),
                          QPointF(to - inset, std::max(y0, y1))));
    }
}

void StackChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    // Disabled while its sums are being made: an empty axis would only flash.
    if (!isEnabled()) return;
    const Layout at = layout();
    paintLegend(painter, at);
    paintValueAxis(painter, at);
    paintBars(painter, at);
    paintTimeAxis(painter, at);
}

void StackChart::paintLegend(QPainter& painter, const Layout& at) const {
    const QFontMetricsF metrics(font());
    for (std::size_t j = 0; j < at.legend.size(); ++j) {
        const QRectF& entry = at.legend[j];
        const QRectF swatch(entry.left(), entry.center().y() - kSwatch / 2.0, kSwatch, kSwatch);
        painter.fillRect(swatch, colourOf(j, buckets_.series()));
        const QRectF text = entry.adjusted(kSwatch + kGap, 0, 0, 0);
        painter.setPen(palette().text().color());
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(shortName(j), Qt::ElideMiddle, text.width()));
    }
}

void StackChart::paintValueAxis(QPainter& painter, const Layout& at) const {
    const QRectF& plot = at.plot;
    const AxisRange& range = at.value.range();
    const double line = QFontMetricsF(font()).height();
    for (double value = range.min; value <= range.max + at.step / 2; value += at.step) {
        const double y = plot.top() + at.value.toPixel(value);
        painter.setPen(palette().mid().color());
        painter.drawLine(QPointF(plot.left() - kTick, y), QPointF(plot.right(), y));
        painter.setPen(palette().text().color());
        painter.drawText(
            QRectF(line + kGap, y - line / 2, plot.left() - kTick - 2 * kGap - line, line),
            Qt::AlignRight | Qt::AlignVCenter, kbLabel(value));
    }
    // The title along the axis, read from below.
    painter.save();
    painter.translate(0, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2, 0, plot.height(), line), Qt::AlignCenter,
                     QStringLiteral("Bytes written (KB)"));
    painter.restore();
}

void StackChart::paintTimeAxis(QPainter& painter, const Layout& at) const {
    const QRectF& plot = at.plot;
    const QFontMetricsF metrics(font());
    const TimeTicks ticks =
        timeTicks(shown_, plot.width(), width() - plot.right(),
                  [&metrics](const QString& label) { return metrics.horizontalAdvance(label); });
    painter.setPen(palette().text().color());
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    const double line = metrics.height();
    for (qsizetype i = 0; i < ticks.moments.size(); ++i) {
        const double x = plot.left() + at.time.toPixel(ticks.moments[i]);
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + kTick));
        const double half = metrics.horizontalAdvance(ticks.labels[i]) / 2 + 1;
        painter.drawText(QRectF(x - half, plot.bottom() + kTick, 2 * half, line), Qt::AlignCenter,
                         ticks.labels[i]);
    }
    painter.drawText(QRectF(plot.left(), plot.bottom() + kTick + line, plot.width(), line),
                     Qt::AlignCenter, ticks.title);
}

void StackChart::paintBars(QPainter& painter, const Layout& at) const {
    painter.save();
    painter.setClipRect(at.plot);
    const std::size_t series = buckets_.series();
    for (std::size_t k = 0; k < buckets_.buckets(); ++k)
        forEachSegment(at, k, [&](std::size_t j, const QRectF& segment) {
            painter.fillRect(segment, colourOf(j, series));
        });
    painter.restore();
}

}  // namespace quill::ui
