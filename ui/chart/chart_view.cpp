#include "ui/chart/chart_view.h"

#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QLegend>
#include <QSlider>
#include <QStackedBarSeries>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "ui/chart/window_image.h"
#include "ui/model_observer.h"
#include "ui/qt_text.h"
#include "ui/window_names.h"
#include "ui/window_size.h"

namespace quill::ui {

namespace {

constexpr int kMinimumWidth = 400;
constexpr int kMinimumHeight = 200;
/// Where the screen allows it, the window opens large enough for a dozen processes to read.
constexpr int kFirstWidth = 800;
constexpr int kFirstHeight = 500;
constexpr int kSliderPadding = 5;
/// Around the plot and its axes: at the minimum size every pixel is wanted for them.
constexpr int kChartMargin = 6;
/// Below this height (of the room the axes and plot share) the axis titles give their line to
/// the labels: the tick labels carry the unit, and the names speak for themselves.
constexpr qreal kTitledHeight = 240;

/// How Qt Charts lays out its axes, which the labels are fitted to: it pads each label by 4
/// pixels on both sides and each title by 2, gives a horizontal axis at most 40% of the height
/// and gives each of its labels an equal share of the width, and one empty label more.
constexpr qreal kLabelPadding = 4;
constexpr qreal kTitlePadding = 2;
constexpr qreal kAxisShare = 0.4;
/// Room left over, so that rounding never tips a label into being cut.
constexpr qreal kSlack = 1;

QLabel* plainLabel(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    // Process and file names are data: never let a "<" in one turn it into markup.
    label->setTextFormat(Qt::PlainText);
    return label;
}

/// The lowest and highest points the stacks reach; negative sizes stack downward from zero.
std::pair<double, double> stackExtent(const std::vector<BarColumn>& columns) {
    double low = 0;
    double high = 0;
    for (const BarColumn& column : columns) {
        double below = 0;
        double above = 0;
        for (std::int64_t size : column.sizes)
            (size < 0 ? below : above) += static_cast<double>(size);
        low = std::min(low, below);
        high = std::max(high, above);
    }
    return {low, high};
}

struct SizeScale {
    double low;
    double high;
    int ticks;
};

/// A scale from zero that holds every stack, ticked every 1, 2 or 5 times a power of ten, and
/// never finer than the whole KB the sizes come in, so that every tick label is a round number.
SizeScale sizeScale(std::pair<double, double> extent) {
    auto [low, high] = extent;
    if (low == high) high = 1;  // no bars, or only empty ones: still show a plain scale
    constexpr double kTargetSteps = 4;
    const double rough = (high - low) / kTargetSteps;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    double step = magnitude * 10;
    for (double factor : {1.0, 2.0, 5.0}) {
        if (magnitude * factor >= rough) {
            step = magnitude * factor;
            break;
        }
    }
    step = std::max(step, 1.0);
    low = std::floor(low / step) * step;
    high = std::ceil(high / step) * step;
    return {low, high, static_cast<int>(std::lround((high - low) / step)) + 1};
}

QString tipText(const QString& text) {
    // A tooltip in rich text wraps, even inside <nobr>, at a path's slashes: plain text where
    // Qt would take it as such. A name that looks like markup must still show as written.
    if (!Qt::mightBeRichText(text)) return text;
    return QStringLiteral("<nobr>") + text.toHtmlEscaped() + QStringLiteral("</nobr>");
}

}  // namespace

struct ChartView::SliderSetup {
    const char* name;  ///< prefix of the object names of the slider and its texts
    const char* label;
    int minimum;
    int maximum;
    int initial;
};

ChartView::ChartView(Quillstat& loggy, QWidget* parent) : QWidget(parent), loggy_(loggy) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    content_ = new QWidget(this);
    content_->setObjectName(QStringLiteral("chartContent"));
    outer->addWidget(content_);
    auto* stack = new QVBoxLayout(content_);
    buildHeader(*stack);
    buildSliders(*stack);
    buildChart(*stack);
    content_->hide();

    observer_ = new ModelObserver(
        loggy_, [this] { draw(); }, this);
    observer_->drawNow();
    // A slider belongs to the view, not the model: moving one redraws at once.
    for (QSlider* slider : {startSlider_, widthSlider_})
        connect(slider, &QSlider::valueChanged, observer_, &ModelObserver::drawNow);

    resizeWithinScreen(*this, {kFirstWidth, kFirstHeight});
}

ChartView::~ChartView() = default;

void ChartView::buildHeader(QVBoxLayout& stack) {
    auto* header = new QHBoxLayout;
    dateText_ = plainLabel(QString(), QStringLiteral("dateText"), content_);
    sizeText_ = plainLabel(QString(), QStringLiteral("sizeText"), content_);
    header->addWidget(dateText_);
    header->addWidget(sizeText_);
    stack.addLayout(header);
    stack.setAlignment(header, Qt::AlignHCenter);
}

QString ChartView::imageName() const {
    const std::optional<StatEntry>& stat = loggy_.selectedStat();
    const QString file = stat ? QFileInfo(toQString(stat->file)).fileName() : QString();
    return file.isEmpty() ? QStringLiteral("chart") : file + QStringLiteral("-chart");
}

QString ChartView::imageCaption() const {
    const std::optional<StatEntry>& stat = loggy_.selectedStat();
    QStringList parts{QString::fromStdString(loggy_.fileName())};
    if (stat) parts << toQString(stat->file);
    parts.removeAll(QString());
    return parts.join(QStringLiteral(" \u2014 "));
}

void ChartView::buildSliders(QVBoxLayout& stack) {
    // A widget of their own, which a saved image leaves out: the image shows the bars, not the
    // controls that picked them.
    auto* controls = new QWidget(content_);
    controls->setObjectName(QStringLiteral("chartControls"));
    // A grid rather than two rows of their own, so that both tracks start and end together.
    auto* grid = new QGridLayout(controls);
    grid->setContentsMargins(kSliderPadding, 0, kSliderPadding, 0);
    grid->setColumnStretch(2, 1);
    startSlider_ = addSlider(*grid, 0, {"start", "Start", 1, 40, 1});
    widthSlider_ = addSlider(*grid, 1, {"width", "Width", 6, 25, 12});
    // Beside the sliders rather than the header: at the window's least size the header needs
    // its whole width and the chart every pixel of height.
    const ImageSource source{[this] { return imageName(); }, [this] { return imageCaption(); }};
    grid->addWidget(addImageSaving(*content_, *controls, source), 0, 4, 2, 1,
                    Qt::AlignRight | Qt::AlignVCenter);
    stack.addWidget(controls);
}

QSlider* ChartView::addSlider(QGridLayout& grid, int row, const SliderSetup& setup) {
    const QString name = QLatin1String(setup.name);
    const QString title = QLatin1String(setup.label);
    // The label says where the slider stands: its ends say only how far it goes.
    const auto labelText = [title](int value) { return title + QStringLiteral(": %1").arg(value); };
    auto* label = plainLabel(labelText(setup.initial), name + QStringLiteral("Label"), content_);
    // As wide as with the widest value, so that the track stays put as the value changes, and
    // an em more, so that the value does not run into the number at the track's end.
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(labelText(88) + "MM"));
    auto* low =
        plainLabel(QString::number(setup.minimum), name + QStringLiteral("MinText"), content_);
    auto* high =
        plainLabel(QString::number(setup.maximum), name + QStringLiteral("MaxText"), content_);
    low->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* slider = new QSlider(Qt::Horizontal, content_);
    slider->setObjectName(name + QStringLiteral("Slider"));
    slider->setRange(setup.minimum, setup.maximum);
    slider->setSingleStep(1);
    slider->setValue(setup.initial);
    slider->setAccessibleName(title);
    label->setBuddy(slider);
    connect(slider, &QSlider::valueChanged, label,
            [label, labelText](int value) { label->setText(labelText(value)); });
    grid.addWidget(label, row, 0);
    grid.addWidget(low, row, 1);
    grid.addWidget(slider, row, 2);
    grid.addWidget(high, row, 3);
    return slider;
}

void ChartView::buildChart(QVBoxLayout& stack) {
    chart_ = new QChart;
    // The sets are anonymous stack levels: a legend would list blank names.
    chart_->legend()->hide();
    chart_->setMargins(QMargins(kChartMargin, kChartMargin, kChartMargin, kChartMargin));
    chart_->layout()->setContentsMargins(0, 0, 0, 0);
    series_ = new QStackedBarSeries(chart_);
    chart_->addSeries(series_);
    // Labels that stand on values, not one per column, so that where not every column's name
    // fits, every second or third can be named with the room of two or three.
    processAxis_ = new QCategoryAxis(chart_);
    processAxis_->setTitleText(QStringLiteral("process"));
    processAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    processAxis_->setGridLineVisible(false);
    processAxis_->setStartValue(-0.5);
    sizeAxis_ = new QValueAxis(chart_);
    sizeAxis_->setTitleText(QStringLiteral("size"));
    // The title says what, the ticks say in which unit.
    sizeAxis_->setLabelFormat(QStringLiteral("%.0f KB"));
    chart_->addAxis(processAxis_, Qt::AlignBottom);
    chart_->addAxis(sizeAxis_, Qt::AlignLeft);
    series_->attachAxis(processAxis_);
    series_->attachAxis(sizeAxis_);
    connect(series_, &QStackedBarSeries::hovered, this, &ChartView::showBarTip);
    connect(chart_, &QChart::geometryChanged, this, &ChartView::fitAxes);

    chartView_ = new QChartView(chart_, content_);
    chartView_->setObjectName(QStringLiteral("barChart"));
    chartView_->setRenderHint(QPainter::Antialiasing);
    chartView_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    chartView_->viewport()->installEventFilter(this);
    stack.addWidget(chartView_, 1);
}

void ChartView::draw() {
    const std::optional<StatEntry>& stat = loggy_.selectedStat();
    if (!stat) return drawEmpty();
    setWindowTitle(toQString(stat->file));
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    dateText_->setText(QString::fromStdString(loggy_.selectedDateText()));
    sizeText_->setText(totalSizeText(stat->totalBytes));
    drawBars(loggy_.selectedStatStats());
    content_->show();
}

void ChartView::drawEmpty() {
    content_->hide();
    setMinimumSize(0, 0);
    setWindowTitle(windowName(WindowId::Chart));
}

void ChartView::drawBars(const std::vector<StatStats>& rows) {
    std::vector<BarColumn> columns = barColumns(rows, startSlider_->value(), widthSlider_->value());
    // Most slider steps past the last process, and most rewrites of the same record, change no
    // bar: leaving the scene alone then spares a rebuild and a flash.
    if (chartFilled_ && columns == drawn_) return;
    fillSeries(columns);
    fitValueAxis(columns);
    drawn_ = std::move(columns);
    chartFilled_ = true;
    fitAxes();
}

void ChartView::fillSeries(const std::vector<BarColumn>& columns) {
    series_->clear();
    // The columns stand on 0, 1, 2…, as a bar series places them on a value axis.
    processAxis_->setRange(-0.5, std::max(qreal(columns.size()), qreal(1)) - 0.5);
    // Stack level k holds each column's k-th row, so rows sharing a name pile up in one column.
    QList<QBarSet*> levels;
    for (qsizetype level = 0, depth = stackDepth(columns); level < depth; ++level) {
        auto* set = new QBarSet(QString());
        for (const BarColumn& column : columns)
            set->append(level < column.sizes.size() ? static_cast<qreal>(column.sizes[level]) : 0);
        levels.append(set);
    }
    series_->append(levels);
}

void ChartView::fitValueAxis(const std::vector<BarColumn>& columns) {
    const SizeScale scale = sizeScale(stackExtent(columns));
    sizeAxis_->setRange(scale.low, scale.high);
    sizeSteps_ = scale.ticks - 1;
}

void ChartView::fitAxes() {
    // The room that Qt Charts shares out between the plot and its axes.
    const QSizeF room = chart_->size().shrunkBy(QMarginsF(chart_->margins()));
    const bool titled = room.height() >= kTitledHeight;
    processAxis_->setTitleVisible(titled);
    sizeAxis_->setTitleVisible(titled);
    const qreal titleHeight =
        titled ? labelBox(processAxis_->titleFont(), processAxis_->titleText()).height() +
                     2 * kTitlePadding
               : 0;
    const qreal labelsHeight = fitProcessAxis(room, titleHeight);
    fitSizeTicks(room.height(), room.height() - labelsHeight - kLabelPadding - 1 - titleHeight);
}

qreal ChartView::fitProcessAxis(QSizeF room, qreal titleHeight) {
    QStringList names;
    for (const BarColumn& column : drawn_) names << column.process;
    const qreal axisHeight = std::floor(kAxisShare * room.height());
    const QFont font = processAxis_->labelsFont();
    const ProcessLabels labels = fitProcessLabels(
        names, font, room.width() - sizeAxisWidth(titleHeight > 0), 2 * kLabelPadding + kSlack,
        axisHeight - kLabelPadding - 1 - titleHeight - kSlack);
    setProcessLabels(labels);

    // With no name shown a blank label stands in, a line high.
    qreal height = labelBox(font, QStringLiteral("X")).height();
    for (const QString& text : labels.texts) {
        const QSizeF box = labelBox(font, text);
        height = std::max(height, labels.angle == 0 ? box.height() : box.width());
    }
    return height;
}

qreal ChartView::sizeAxisWidth(bool titled) const {
    const QFont font = sizeAxis_->labelsFont();
    qreal width = 0;
    for (const qreal end : {sizeAxis_->min(), sizeAxis_->max()})
        width = std::max(width, labelBox(font, QString::number(end, 'f', 0) + " KB").width());
    width += 2 * kLabelPadding;
    if (titled)
        width +=
            labelBox(sizeAxis_->titleFont(), sizeAxis_->titleText()).height() + 2 * kTitlePadding;
    return width;
}

void ChartView::setProcessLabels(const ProcessLabels& labels) {
    QStringList texts = labels.texts;
    // Qt Charts lays out no axis without labels, and its line would stay where it last stood,
    // above the plot's foot; nor does it leave its title room without a line of labels. A blank
    // label keeps both right.
    if (texts.isEmpty() || !labels.visible) texts = QStringList{QString(QChar(0x200B))};
    const QStringList old = processAxis_->categoriesLabels();
    bool same = old == texts;
    for (qsizetype index = 0; same && index < old.size(); ++index)
        same = processAxis_->endValue(old[index]) == labels.column(index);
    // A change lays the chart out again, which fits the axes again: only a real one.
    if (!same) {
        for (const QString& label : old) processAxis_->remove(label);
        for (qsizetype index = 0; index < texts.size(); ++index)
            processAxis_->append(texts[index], labels.column(index));
    }
    processAxis_->setLabelsAngle(labels.angle);
}

void ChartView::fitSizeTicks(qreal roomHeight, qreal plotHeight) {
    // No closer than a label and its padding, both on the plot and in the room Qt Charts
    // spreads the tick labels over.
    const qreal line = labelBox(sizeAxis_->labelsFont(), QStringLiteral("0")).height();
    const qreal pitch = line + 2 * kLabelPadding + kSlack;
    const int most = static_cast<int>(std::min(plotHeight / pitch, roomHeight / pitch - 1));
    sizeAxis_->setTickCount(fewerSteps(sizeSteps_, most) + 1);
}

void ChartView::showBarTip(bool hovering, int index, QBarSet* set) {
    const qsizetype level = series_->barSets().indexOf(set);
    if (!hovering || index < 0 || std::size_t(index) >= drawn_.size() || level < 0 ||
        level >= drawn_[std::size_t(index)].sizes.size()) {
        barTipShown_ = false;
        QToolTip::hideText();
        return;
    }
    barTipShown_ = true;
    const BarColumn& column = drawn_[std::size_t(index)];
    const std::int64_t number = column.numbers[level];
    // The bar is named by the short name it is grouped by; its tip names the process whole.
    QString name = column.process;
    const std::optional<StatEntry>& stat = loggy_.selectedStat();
    if (stat && number >= 1 && std::uint64_t(number) <= stat->processList.size())
        name = toQString(stat->processList[std::size_t(number - 1)].process);
    QToolTip::showText(
        QCursor::pos(),
        tipText(
            QStringLiteral("%1: %2 KB, process %3").arg(name).arg(column.sizes[level]).arg(number)),
        chartView_);
}

bool ChartView::eventFilter(QObject* watched, QEvent* event) {
    // Over a bar, the scene would answer the tooltip event with its items' tips, none, and
    // hide the bar's own.
    if (watched == chartView_->viewport() && event->type() == QEvent::ToolTip)
        return showNameTip(*static_cast<QHelpEvent*>(event)) || barTipShown_;
    return QWidget::eventFilter(watched, event);
}

bool ChartView::showNameTip(const QHelpEvent& help) {
    // Below the plot, over a column's label, which may be shortened or not shown at all.
    const QRectF plot = chart_->plotArea();
    const QPointF at = chart_->mapFromScene(chartView_->mapToScene(help.pos()));
    if (drawn_.empty() || at.y() <= plot.bottom() || at.x() < plot.left() || at.x() >= plot.right())
        return false;
    const auto column =
        std::min(drawn_.size() - 1,
                 std::size_t((at.x() - plot.left()) / plot.width() * double(drawn_.size())));
    QToolTip::showText(help.globalPos(), tipText(drawn_[column].process), chartView_->viewport());
    return true;
}

}  // namespace quill::ui
