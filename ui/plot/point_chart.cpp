#include "ui/plot/point_chart.h"

#include <QCategoryAxis>
#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsTextItem>
#include <QHoverEvent>
#include <QLegend>
#include <QMouseEvent>
#include <QScatterSeries>
#include <QTextDocument>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "ui/plot/point_layer.h"
#include "ui/plot/time_zoom.h"

namespace quill::ui {

namespace {

/// Every point's disc, in square pixels.
constexpr double kDotArea = 25;
/// The stacking level the chart gives its own series: above the grid, below the legend.
constexpr double kSeriesZ = 4;
/// The least room around a single moment: a minute on each side.
constexpr double kMinimumTimePad = 60;
constexpr double kMinimumValuePad = 1;
/// Seconds within which milliseconds still fit a qint64 and a QDateTime, with room to spare.
constexpr double kSecondsLimit = 1e14;
/// Room a value axis label needs vertically, gap included, in pixels.
constexpr double kValueLabelPitch = 28;
/// The block around the chart pads it already; the right margin keeps the last time label.
const QMargins kMargins(4, 4, 16, 4);
/// Between the legend's title and its first entry, in pixels.
constexpr double kLegendTitleGap = 4;
/// Where the time axis's categories start, in milliseconds: left of any moment it shows, so
/// that the boundary there is never drawn and every category ends on a tick.
constexpr double kCategoriesStart = -kSecondsLimit * 2000;
/// What a time label keeps clear of the chart's right edge, in pixels.
constexpr double kRightClearance = 2;
/// Around an axis title: Qt Charts pads it by 2 pixels on each side, and rounds.
constexpr double kTitleClearance = 6;

qint64 wholeMilliseconds(double seconds) {
    return std::llround(std::clamp(seconds, -kSecondsLimit, kSecondsLimit) * 1000);
}

/// The first shown label among the items under `item`: the label of a legend's first entry.
const QGraphicsTextItem* firstLabel(const QGraphicsItem& item) {
    for (const QGraphicsItem* child : item.childItems()) {
        if (!child->isVisible()) continue;
        if (const auto* text = qgraphicsitem_cast<const QGraphicsTextItem*>(child)) return text;
        if (const QGraphicsTextItem* text = firstLabel(*child)) return text;
    }
    return nullptr;
}

/// The bounds, in `chart`'s coordinates, of what is shown under `item`. Hidden items, such as
/// the entries of the series last replaced, would stretch its children's bounds to the left.
QRectF shownBounds(const QGraphicsItem& item, const QGraphicsItem& chart) {
    QRectF bounds;
    for (const QGraphicsItem* child : item.childItems()) {
        if (!child->isVisible()) continue;
        bounds |= child->childItems().isEmpty()
                      ? child->mapRectToItem(&chart, child->boundingRect())
                      : shownBounds(*child, chart);
    }
    return bounds;
}

}  // namespace

PointChart::PointChart(const QString& valueTitle, const QString& legendTitle, QWidget* parent)
    : QChartView(new QChart(), parent), legend_(!legendTitle.isEmpty()) {
    chart()->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    chart()->setMargins(kMargins);
    buildAxes(valueTitle);
    buildLegendTitle(legendTitle);
    layer_ = new PointLayer(kDotArea, chart());
    layer_->setZValue(kSeriesZ);
    layer_->setPaintedCallback([this] { Q_EMIT pointsPainted(); });
    connect(chart(), &QChart::plotAreaChanged, this, &PointChart::followPlotArea);
    replaceSeries({});
    applyRanges();
    setRenderHint(QPainter::Antialiasing);
    setFrameShape(QFrame::NoFrame);
    setMinimumHeight(160);
    viewport()->setMouseTracking(true);
}

PointChart::~PointChart() = default;

QSize PointChart::sizeHint() const {
    return {640, 260};
}

void PointChart::buildAxes(const QString& valueTitle) {
    // Ticks on round moments, each labelled on it: the categories end on the ticks.
    timeAxis_ = new QCategoryAxis(this);
    timeAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    timeAxis_->setStartValue(kCategoriesStart);
    // The ticks keep their labels apart; an axis that cuts them short would only make "…".
    timeAxis_->setTruncateLabels(false);
    valueAxis_ = new QValueAxis(this);
    valueAxis_->setTitleText(valueTitle);
    valueAxis_->setLabelFormat(QStringLiteral("%.0f"));
    // Ticks on whole multiples of a round step, wherever the padded range happens to start.
    valueAxis_->setTickType(QValueAxis::TicksDynamic);
    valueAxis_->setTickAnchor(0);
    chart()->addAxis(timeAxis_, Qt::AlignBottom);
    chart()->addAxis(valueAxis_, Qt::AlignLeft);
}

void PointChart::buildLegendTitle(const QString& title) {
    // The legend has no title of its own: the title stands on the legend's row, before its
    // entries, in the axis titles' font, as the label of the colours.
    legendTitle_ = new QGraphicsSimpleTextItem(title, chart());
    legendTitle_->setFont(valueAxis_->titleFont());
    legendTitle_->setBrush(valueAxis_->titleBrush());
    legendTitle_->setZValue(chart()->legend()->zValue());
    legendTitle_->hide();
}

void PointChart::setPoints(PlotSeries points) {
    points_ = std::move(points);
    layer_->forgetImages();
    replaceSeries(points_.values());
    applyRanges();
}

bool PointChart::growPoints(const PlotSeries::Source& grown) {
    if (!points_.grow(grown)) return false;
    layer_->forgetImages();
    // The first points of a series that had none bring their legend.
    replaceSeries(points_.values());
    applyRanges();
    return true;
}

void PointChart::setTimeSpan(std::optional<AxisRange> moments, bool grown) {
    if (moments == timeSpan_) return;
    timeSpan_ = moments;
    // Other moments are other data: a span picked in the old ones means nothing in them. The
    // same ones with more after them still hold it.
    if (!grown) visible_.reset();
    applyRanges();
}

AxisRange PointChart::fullTimeRange() const {
    std::optional<AxisRange> moments = timeSpan_;
    if (!moments && !points_.empty()) moments = AxisRange{points_.xMin(), points_.xMax()};
    return moments ? paddedRange(moments->min, moments->max, kMinimumTimePad) : defaultTimeRange();
}

void PointChart::setVisibleSpan(std::optional<AxisRange> span) {
    if (span) {
        const AxisRange full = fullTimeRange();
        span = clampedSpan(*span, full, minimumSpan(full));
        // Within the full range, a span as wide as it is the full range, rounding aside.
        if (span->span() >= full.span() * (1 - 1e-12)) span.reset();
    }
    if (span == visible_) return;
    visible_ = span;
    applyRanges();
}

void PointChart::alignPlotArea(const QMarginsF& insets) {
    const auto widening = [](double wanted, double own) {
        return static_cast<int>(std::lround(std::max(wanted - own, 0.0)));
    };
    const QMargins alignment(widening(insets.left(), ownInsets_.left()),
                             widening(insets.top(), ownInsets_.top()),
                             widening(insets.right(), ownInsets_.right()),
                             widening(insets.bottom(), ownInsets_.bottom()));
    if (alignment == alignment_) return;
    alignment_ = alignment;
    chart()->setMargins(kMargins + alignment_);
}

void PointChart::replaceSeries(const std::vector<std::string>& values) {
    QStringList names;
    for (const std::string& value : values) names.push_back(QString::fromStdString(value));
    // A series of one colour still needs a series: it owns the axes and gives that colour.
    if (names.isEmpty()) names.push_back(valueAxis_->titleText());
    QStringList current;
    for (const QScatterSeries* series : series_) current.push_back(series->name());
    if (names == current) return;

    for (QScatterSeries* series : series_) {
        chart()->removeSeries(series);
        delete series;
    }
    series_.clear();
    for (const QString& name : names) {
        auto* series = new QScatterSeries();
        series->setName(name);
        series->setMarkerShape(QScatterSeries::MarkerShapeCircle);
        series->setMarkerSize(dotDiameter(kDotArea));
        chart()->addSeries(series);
        series->attachAxis(timeAxis_);
        series->attachAxis(valueAxis_);
        connect(series, &QScatterSeries::colorChanged, this, &PointChart::takePalette);
        series_.push_back(series);
    }
    // No entry for a series of one colour: it has no values to tell apart.
    chart()->legend()->setVisible(legend_ && !values.empty());
    takePalette();
    // The plot area need not move when the legend shows again, so the title would not follow
    // it: lay out the chart and then the legend's entries, and place the title by them now.
    if (QGraphicsLayout* layout = chart()->layout()) layout->activate();
    if (QGraphicsLayout* layout = chart()->legend()->layout()) layout->activate();
    placeLegendTitle();
}

void PointChart::applyRanges() {
    const AxisRange time = visible_ ? *visible_ : fullTimeRange();
    // The axis keeps whole milliseconds: the dots are placed on the very range it shows.
    const qint64 first = wholeMilliseconds(time.min);
    const qint64 last = wholeMilliseconds(time.max);
    timeAxis_->setRange(static_cast<double>(first), static_cast<double>(last));
    timeRange_ = {static_cast<double>(first) / 1000, static_cast<double>(last) / 1000};
    valueRange_ = fittedValueRange();
    // The axis makes its ticks at once: the old interval over a range grown a millionfold would
    // make a million of them. A coarser interval goes first, a finer one after the range.
    const double step = valueStep(chart()->plotArea().height());
    if (step > valueAxis_->tickInterval()) valueAxis_->setTickInterval(step);
    valueAxis_->setRange(valueRange_.min, valueRange_.max);
    layer_->setPoints(&points_, timeRange_, valueRange_);
    // The whole of the time is where every zoom returns to: its image is kept for that.
    if (!visible_) layer_->keepImageOf(timeRange_, valueRange_);
    fitTicks(chart()->plotArea());
    // New value labels may take other room: lay the chart out now, so that the points are drawn
    // once for the plot area they end up in rather than once before and once after.
    if (QGraphicsLayout* layout = chart()->layout()) layout->activate();
}

void PointChart::followPlotArea(const QRectF& plotArea) {
    layer_->setPlotArea(plotArea);
    fitTicks(plotArea);
    placeLegendTitle();
    // What the chart needs for itself is what it has, less what it was given to line up.
    const QSizeF size = chart()->size();
    const QMarginsF own(plotArea.left() - alignment_.left(), plotArea.top() - alignment_.top(),
                        size.width() - plotArea.right() - alignment_.right(),
                        size.height() - plotArea.bottom() - alignment_.bottom());
    if (own == ownInsets_) return;
    ownInsets_ = own;
    Q_EMIT ownInsetsChanged();
}

void PointChart::fitTitles(const QRectF& plotArea) {
    // Qt Charts cuts a title without room to "...". In a chart too short for the value axis'
    // title to stand beside its plot, the time axis is squeezed too: both titles give up their
    // room, and show again only once the plot is taller by more than the room they took back.
    const QFontMetricsF metrics(valueAxis_->titleFont());
    const double needed = metrics.horizontalAdvance(valueAxis_->titleText()) + kTitleClearance;
    const double regained =
        valueAxis_->isTitleVisible() ? 0 : 2 * (metrics.height() + kTitleClearance);
    const bool titled = plotArea.height() >= needed + regained;
    if (valueAxis_->isTitleVisible() == titled) return;
    valueAxis_->setTitleVisible(titled);
    timeAxis_->setTitleVisible(titled);
}

void PointChart::fitTicks(const QRectF& plotArea) {
    fitTitles(plotArea);
    const QFontMetricsF metrics(timeAxis_->labelsFont());
    const double overhang = chart()->size().width() - plotArea.right() - kRightClearance;
    showTicks(timeTicks(timeRange_, plotArea.width(), overhang, [&metrics](const QString& text) {
        return metrics.horizontalAdvance(text);
    }));
    const double step = valueStep(plotArea.height());
    if (valueAxis_->tickInterval() != step) valueAxis_->setTickInterval(step);
}

void PointChart::showTicks(const TimeTicks& ticks) {
    if (timeAxis_->titleText() != ticks.title) timeAxis_->setTitleText(ticks.title);
    QStringList labels = ticks.labels;
    QList<double> ends;
    for (const double moment : ticks.moments) ends.push_back(moment * 1000);
    // An axis without categories lays out nothing, not even its title: one ends unlabelled at the
    // right edge.
    if (labels.isEmpty()) {
        labels.push_back(QStringLiteral(" "));
        ends.push_back(timeAxis_->max());
    }
    if (labels == timeAxis_->categoriesLabels() && ends == tickEnds_) return;
    for (const QString& label : timeAxis_->categoriesLabels()) timeAxis_->remove(label);
    for (qsizetype i = 0; i < labels.size(); ++i) timeAxis_->append(labels[i], ends[i]);
    tickEnds_ = ends;
}

AxisRange PointChart::fittedValueRange() const {
    if (points_.empty()) return defaultValueRange();
    std::optional<std::pair<double, double>> extent;
    if (visible_) {
        const auto [first, last] = points_.indicesWithin(timeRange_.min, timeRange_.max);
        extent = points_.valueExtent(first, last);
    }
    // Where no point is in view, the scale of them all stays rather than an arbitrary one.
    if (!extent) extent = std::pair{points_.yMin(), points_.yMax()};
    return valueRange(extent->first, extent->second, kMinimumValuePad);
}

double PointChart::valueStep(double height) const {
    return niceStep(valueRange_.span(), std::max(2, static_cast<int>(height / kValueLabelPitch)));
}

void PointChart::placeLegendTitle() {
    const QLegend* legend = chart()->legend();
    // The legend spans the chart and centres its entries: the title goes before the first, on
    // the baseline of the entries' labels. Where the entries leave it no room, and are cut
    // short themselves, it stays hidden rather than cover them.
    const QRectF entries = shownBounds(*legend, *chart());
    const QFontMetricsF metrics(legendTitle_->font());
    const double left =
        entries.left() - kLegendTitleGap - metrics.horizontalAdvance(legendTitle_->text());
    const bool fits = legend->isVisible() && left >= legend->geometry().left();
    legendTitle_->setVisible(fits);
    if (!fits) return;
    double top = entries.center().y() - metrics.height() / 2;
    if (const QGraphicsTextItem* label = firstLabel(*legend)) {
        const double baseline =
            label->document()->documentMargin() + QFontMetricsF(label->font()).ascent();
        top = label->mapToItem(chart(), QPointF(0, baseline)).y() - metrics.ascent();
    }
    legendTitle_->setPos(left, top);
}

void PointChart::takePalette() {
    std::vector<QRgb> palette;
    for (const QScatterSeries* series : series_) palette.push_back(series->color().rgba());
    layer_->setPalette(std::move(palette));
}

std::optional<double> PointChart::momentAt(double x) const {
    if (points_.empty() || series_.isEmpty()) return std::nullopt;
    const QPointF inScene = viewportTransform().inverted().map(QPointF(x, 0));
    QPointF inChart = chart()->mapFromScene(inScene);
    // Only x matters; any height inside the plot area will do.
    inChart.setY(chart()->plotArea().center().y());
    const double seconds = chart()->mapToValue(inChart, series_.front()).x() / 1000;
    if (!std::isfinite(seconds)) return std::nullopt;
    return seconds;
}

bool PointChart::viewportEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove: {
            // After the move has panned the axis, so the moment is read off the scale shown.
            const double x = static_cast<QMouseEvent*>(event)->position().x();
            const bool handled = QChartView::viewportEvent(event);
            Q_EMIT pointerMoved(momentAt(x));
            return handled;
        }
        case QEvent::HoverEnter:
        case QEvent::HoverMove:
            Q_EMIT pointerMoved(momentAt(static_cast<QHoverEvent*>(event)->position().x()));
            break;
        default:
            break;
    }
    return QChartView::viewportEvent(event);
}

}  // namespace quill::ui
