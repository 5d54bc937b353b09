#include "ui/chart/chart_view.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QScreen>
#include <QSlider>
#include <QStackedBarSeries>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "ui/model_observer.h"
#include "ui/qt_text.h"
#include "ui/window_names.h"

namespace quill::ui {

namespace {

constexpr int kMinimumWidth = 400;
constexpr int kMinimumHeight = 200;
/// Where the screen allows it, the window opens large enough for a dozen processes to read.
constexpr int kFirstWidth = 800;
constexpr int kFirstHeight = 500;
constexpr int kSliderPadding = 5;
/// Qt Charts cuts a category label to the width of its bar, even a slanted one; turned upright
/// a process name needs only a line's height of that width and keeps most of its length. What
/// still gets cut shows whole in the bar's tooltip.
constexpr int kProcessLabelAngle = -90;

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

    const QRect screenArea = screen() ? screen()->availableGeometry() : QRect(0, 0, 1280, 800);
    resize(std::min(kFirstWidth, screenArea.width() * 9 / 10),
           std::min(kFirstHeight, screenArea.height() * 8 / 10));
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

void ChartView::buildSliders(QVBoxLayout& stack) {
    // A grid rather than two rows of their own, so that both tracks start and end together.
    auto* grid = new QGridLayout;
    grid->setContentsMargins(kSliderPadding, 0, kSliderPadding, 0);
    grid->setColumnStretch(2, 1);
    startSlider_ = addSlider(*grid, 0, {"start", "Start", 1, 40, 1});
    widthSlider_ = addSlider(*grid, 1, {"width", "Width", 6, 25, 12});
    stack.addLayout(grid);
}

QSlider* ChartView::addSlider(QGridLayout& grid, int row, const SliderSetup& setup) {
    const QString name = QLatin1String(setup.name);
    auto* label = plainLabel(QLatin1String(setup.label), name + QStringLiteral("Label"), content_);
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
    slider->setAccessibleName(label->text());
    label->setBuddy(slider);
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
    series_ = new QStackedBarSeries(chart_);
    chart_->addSeries(series_);
    processAxis_ = new QBarCategoryAxis(chart_);
    processAxis_->setTitleText(QStringLiteral("process"));
    processAxis_->setLabelsAngle(kProcessLabelAngle);
    sizeAxis_ = new QValueAxis(chart_);
    sizeAxis_->setTitleText(QStringLiteral("size"));
    // The title says what, the ticks say in which unit.
    sizeAxis_->setLabelFormat(QStringLiteral("%.0f KB"));
    chart_->addAxis(processAxis_, Qt::AlignBottom);
    chart_->addAxis(sizeAxis_, Qt::AlignLeft);
    series_->attachAxis(processAxis_);
    series_->attachAxis(sizeAxis_);
    connect(series_, &QStackedBarSeries::hovered, this, &ChartView::showBarTip);

    chartView_ = new QChartView(chart_, content_);
    chartView_->setObjectName(QStringLiteral("barChart"));
    chartView_->setRenderHint(QPainter::Antialiasing);
    chartView_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
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
}

void ChartView::fillSeries(const std::vector<BarColumn>& columns) {
    series_->clear();
    QStringList categories;
    categories.reserve(qsizetype(columns.size()));
    // Qt Charts draws axis labels as rich text: escape, or a "<" in a name would hide it.
    for (const BarColumn& column : columns) categories.append(column.process.toHtmlEscaped());
    processAxis_->setCategories(categories);
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
    sizeAxis_->setTickCount(scale.ticks);
}

void ChartView::showBarTip(bool hovering, int index, QBarSet* set) {
    const qsizetype level = series_->barSets().indexOf(set);
    if (!hovering || index < 0 || std::size_t(index) >= drawn_.size() || level < 0 ||
        level >= drawn_[std::size_t(index)].sizes.size()) {
        QToolTip::hideText();
        return;
    }
    const BarColumn& column = drawn_[std::size_t(index)];
    const QString text = column.process + QStringLiteral(": ") +
                         QString::number(column.sizes[level]) + QStringLiteral(" KB");
    // Rich text, escaped, so that the name shows exactly as written.
    QToolTip::showText(QCursor::pos(),
                       QStringLiteral("<nobr>") + text.toHtmlEscaped() + QStringLiteral("</nobr>"),
                       chartView_);
}

}  // namespace quill::ui
