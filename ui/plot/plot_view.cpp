#include "ui/plot/plot_view.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <optional>
#include <utility>

#include "ui/chart/window_image.h"
#include "ui/model_observer.h"
#include "ui/plot/plot_block.h"
#include "ui/plot/point_chart.h"
#include "ui/plot/point_layer.h"
#include "ui/plot/span_stats_text.h"
#include "ui/window_size.h"

namespace quill::ui {

PlotView::PlotView(Quillstat& loggy, std::function<void(TimeWindow)> showInList, QWidget* parent)
    : QWidget(parent), loggy_(loggy), showInList_(std::move(showInList)) {
    auto* stack = new QVBoxLayout(this);
    stack->addWidget(buildControls());
    // The figures of the span shown, below the controls: a saved image keeps them.
    stack->addWidget(buildStats());
    buildBlocks();
    buildShowInList();
    for (PlotBlock* block : blocks_) stack->addWidget(block, 1);
    // Takes the room of the hidden blocks, so the ones left keep to the top.
    stack->addStretch(0);
    observe();
    // Tall enough that each of the three charts keeps its time labels whole.
    resizeWithinScreen(*this, {1000, 900});
}

PlotView::~PlotView() = default;

QWidget* PlotView::buildControls() {
    // A widget of their own, which a saved image leaves out: it shows the charts alone.
    auto* controls = new QWidget(this);
    controls->setObjectName(QStringLiteral("plotControls"));
    // The toggles keep to the middle; the image button stands at the right of their row.
    auto* top = new QGridLayout(controls);
    top->setContentsMargins(0, 0, 0, 0);
    top->setColumnStretch(0, 1);
    top->setColumnStretch(2, 1);
    top->addWidget(buildToggles(), 0, 1);
    const ImageSource source{[this] { return imageName(); }, [this] { return imageCaption(); }};
    top->addWidget(addImageSaving(*this, *controls, source), 0, 2,
                   Qt::AlignRight | Qt::AlignVCenter);
    return controls;
}

QWidget* PlotView::buildToggles() {
    auto* toggles = new QWidget(this);
    toggles->setObjectName(QStringLiteral("toggleRow"));
    auto* row = new QHBoxLayout(toggles);
    row->setContentsMargins(0, 0, 0, 0);
    addToggle(*row, Rate, QStringLiteral("showRate"), QStringLiteral("Show Rate"));
    addToggle(*row, Persist, QStringLiteral("showPersist"), QStringLiteral("Show Persist"));
    addToggle(*row, Special, QStringLiteral("showSpecial"), QStringLiteral("Show Special"));
    return toggles;
}

QLabel* PlotView::buildStats() {
    stats_ = new QLabel(this);
    stats_->setObjectName(QStringLiteral("spanStats"));
    stats_->setAlignment(Qt::AlignCenter);
    stats_->setWordWrap(true);
    stats_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    stats_->setToolTip(
        QStringLiteral("The records whose time lies in the span shown: their count and size, the "
                       "mean and peak of the Persist rates the Rate chart plots, and the "
                       "shortest, mean and longest interval"));
    return stats_;
}

void PlotView::buildShowInList() {
    showInListAction_ = new QAction(QStringLiteral("Show Span in &List"), this);
    showInListAction_->setObjectName(QStringLiteral("showSpanInList"));
    showInListAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    showInListAction_->setShortcutContext(Qt::WindowShortcut);
    showInListAction_->setStatusTip(
        QStringLiteral("Show only the records of the span shown here in the main list"));
    showInListAction_->setVisible(static_cast<bool>(showInList_));
    connect(showInListAction_, &QAction::triggered, this, [this] {
        if (showInList_ && loggy_.plotSpan()) showInList_(windowOf(*loggy_.plotSpan()));
    });
    // In the window's right-click menu, which is also the charts', after saving the image. A
    // Shift+drag zooms at once: the span selected is then the one shown.
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    addActions({separator, showInListAction_});
}

void PlotView::addToggle(QHBoxLayout& row, Block block, const QString& key, const QString& text) {
    auto* label = new QLabel(text);
    label->setObjectName(key + QStringLiteral("Label"));
    // The text before the switch is its label; the switch has none of its own.
    auto* toggle = new QCheckBox();
    toggle->setObjectName(key);
    toggle->setAccessibleName(text);
    toggle->setChecked(shown_[block]);
    label->setBuddy(toggle);
    connect(toggle, &QCheckBox::toggled, this, [this, block](bool on) {
        shown_[block] = on;
        blocks_[block]->setVisible(on);
        alignCharts();
    });
    row.addWidget(label, 0, Qt::AlignVCenter);
    row.addWidget(toggle, 0, Qt::AlignVCenter);
}

void PlotView::buildBlocks() {
    const QString colours = QStringLiteral("Value");
    blocks_[Rate] = new PlotBlock(QStringLiteral("rate"), QStringLiteral("Rate (KB/s)"),
                                  QStringLiteral("Rate KB/s"), QString(), this);
    blocks_[Persist] = new PlotBlock(QStringLiteral("persist"), QStringLiteral("Persist (KB)"),
                                     QStringLiteral("Size (KB)"), colours, this);
    blocks_[Special] = new PlotBlock(QStringLiteral("special"), QStringLiteral("Special (KB)"),
                                     QStringLiteral("Size (KB)"), colours, this);
    for (PlotBlock* block : blocks_) {
        connect(&block->chart(), &PointChart::pointsPainted, this, &PlotView::pointsPainted);
        connect(&block->chart(), &PointChart::ownInsetsChanged, this, &PlotView::alignCharts);
        // The charts share one span of time: zooming or panning one moves them all.
        connect(&block->chart(), &PointChart::visibleSpanChanged, this, &PlotView::showSpan);
        // The size of a drawing of the window depends on the dots of all the charts shown.
        block->chart().layer().setShapeTest([this] { return shownPoints() <= kMostPointShapes; });
    }
}

void PlotView::alignCharts() {
    // The widest axis sets the edges for all: an instant then lies at the same x in each chart,
    // whatever the width of its value labels, and a chart without a legend keeps its room, so
    // that the plot areas are as tall as each other. A hidden chart has no say; showing it lays
    // it out again, which aligns them anew.
    QMarginsF insets;
    for (std::size_t i = 0; i < BlockCount; ++i) {
        if (!shown_[i]) continue;
        const QMarginsF& own = blocks_[i]->chart().ownInsets();
        insets = {std::max(insets.left(), own.left()), std::max(insets.top(), own.top()),
                  std::max(insets.right(), own.right()), std::max(insets.bottom(), own.bottom())};
    }
    for (PlotBlock* block : blocks_) block->chart().alignPlotArea(insets);
}

void PlotView::showPoints(Block block, const PlotSeries::Source& series) {
    // A followed file's new lines are indexed alone, and leave the span shown where it is.
    PointChart& chart = blocks_[block]->chart();
    const bool grown = chart.growPoints(series);
    if (!grown) chart.setPoints(PlotSeries(series));
    // New moments in one series may widen the span that all three share.
    shareTimeSpan(grown);
}

void PlotView::shareTimeSpan(bool grown) {
    // Every chart spans the moments of all three series, shown or not, so that the charts keep
    // one time scale and toggling one moves nothing in the others.
    std::optional<AxisRange> moments;
    for (const PlotBlock* block : blocks_) {
        const PlotSeries& points = block->chart().points();
        if (points.empty()) continue;
        moments = moments ? AxisRange{std::min(moments->min, points.xMin()),
                                      std::max(moments->max, points.xMax())}
                          : AxisRange{points.xMin(), points.xMax()};
    }
    for (PlotBlock* block : blocks_) block->chart().setTimeSpan(moments, grown);
}

QString PlotView::imageName() const {
    const QString stem = QFileInfo(QString::fromStdString(loggy_.fileName())).completeBaseName();
    return stem.isEmpty() ? QStringLiteral("plot") : stem + QStringLiteral("-plot");
}

QString PlotView::imageCaption() const {
    const QString file = QString::fromStdString(loggy_.fileName());
    const PointChart& chart = blocks_[Rate]->chart();
    bool charted = false;
    for (const PlotBlock* block : blocks_) charted = charted || !block->chart().points().empty();
    if (!charted) return file;
    // All three charts show one span of time.
    const AxisRange span = chart.visibleSpan().value_or(chart.fullTimeRange());
    const QString shown = instantText(span.min) + QStringLiteral(" to ") + instantText(span.max);
    return file.isEmpty() ? shown : file + QStringLiteral(", ") + shown;
}

void PlotView::showSpan(const std::optional<AxisRange>& span) {
    for (PlotBlock* block : blocks_) block->chart().setVisibleSpan(span);
    loggy_.setPlotSpan(span ? std::optional(TimeSpan{span->min, span->max}) : std::nullopt);
}

void PlotView::followSpan() {
    const std::optional<TimeSpan>& kept = loggy_.plotSpan();
    const auto span = kept ? std::optional(AxisRange{kept->from, kept->to}) : std::nullopt;
    // The charts that show it already, as they do after their own zoom, are left alone.
    for (PlotBlock* block : blocks_)
        if (block->chart().visibleSpan() != span) block->chart().setVisibleSpan(span);
    showInListAction_->setEnabled(kept.has_value());
}

void PlotView::showStats() {
    const std::optional<TimeSpan>& span = loggy_.plotSpan();
    const std::shared_ptr<const StatTable>& table = loggy_.statListTable();
    const TimeWindow window = span ? windowOf(*span) : TimeWindow{};
    // A followed file's new lines are added to the figures of the lines before them.
    const bool grown = summed_.table && summed_.window == window && table->extends(*summed_.table);
    const std::size_t from = grown ? summed_.table->size() : 0;
    if (!grown) summed_.stats = {};
    addSpanStats(summed_.stats, *table, from, table->size(), window);
    summed_.table = table;
    summed_.window = window;
    stats_->setText(spanStatsText(summed_.stats));
}

void PlotView::keyPressEvent(QKeyEvent* event) {
    // Wherever the focus is in the window, Home shows the whole of the time again.
    if (event->key() == Qt::Key_Home && event->modifiers() == Qt::NoModifier) {
        showSpan(std::nullopt);
        return event->accept();
    }
    QWidget::keyPressEvent(event);
}

void PlotView::observe() {
    // One observer per part: a load redraws everything, but a title change alone, or one
    // series alone, only redraws its own part.
    const auto watch = [this](std::function<void()> draw) {
        (new ModelObserver(loggy_, std::move(draw), this))->drawNow();
    };
    watch([this] {
        setWindowTitle(QStringLiteral("Log data: ") + QString::fromStdString(loggy_.fileName()));
    });
    watch([this] { showPoints(Rate, loggy_.ratesPoints()); });
    watch([this] { showPoints(Persist, loggy_.pointsPersist()); });
    watch([this] { showPoints(Special, loggy_.pointsSpecial()); });
    // After the points, so that a span kept while the window was closed finds them.
    watch([this] { followSpan(); });
    watch([this] { showStats(); });
}

std::size_t PlotView::shownPoints() const {
    std::size_t count = 0;
    for (std::size_t i = 0; i < BlockCount; ++i)
        if (shown_[i]) count += blocks_[i]->chart().layer().pointsInView();
    return count;
}

int PlotView::rasterRebuildCount() const {
    int count = 0;
    for (const PlotBlock* block : blocks_) count += block->chart().layer().rebuildCount();
    return count;
}

bool PlotView::pointsUpToDate() const {
    for (const PlotBlock* block : blocks_) {
        if (block->isVisible() && !block->chart().layer().upToDate()) return false;
    }
    return true;
}

std::size_t PlotView::pointBytes() const {
    std::size_t bytes = 0;
    for (const PlotBlock* block : blocks_) {
        bytes += block->chart().points().bytes();
        bytes += static_cast<std::size_t>(block->chart().layer().imageBytes());
    }
    return bytes;
}

}  // namespace quill::ui
