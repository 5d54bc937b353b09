#pragma once

#include <QWidget>
#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

#include "analysis/quillstat.h"
#include "analysis/span_stats.h"
#include "ui/plot/plot_scale.h"
#include "ui/plot/plot_series.h"

class QAction;
class QHBoxLayout;
class QKeyEvent;
class QLabel;

namespace quill::ui {

class PlotBlock;

/// The plot window's content: the rate, Persist and Special series of the last load, each in a
/// chart of its own under a header, below a row of toggles that show or hide each chart. Moving
/// the pointer over a chart picks the moment under it, which its header then shows. The charts
/// zoom and pan their time axes together, over the span the model keeps for every window that
/// follows the plot; the header sums up the records of that span.
class PlotView final : public QWidget {
    Q_OBJECT
public:
    /// `showInList` shows the records of a window of time in the main list; without it the
    /// window offers no such action.
    explicit PlotView(Quillstat& loggy, std::function<void(TimeWindow)> showInList = {},
                      QWidget* parent = nullptr);
    ~PlotView() override;

    /// How many times the charts drew their points' images anew, all three together.
    int rasterRebuildCount() const;
    /// Whether every shown chart has painted its current points.
    bool pointsUpToDate() const;
    /// Memory the view holds for the points: its indexes into the model's series and the
    /// charts' images.
    std::size_t pointBytes() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

Q_SIGNALS:
    /// A chart painted its points.
    void pointsPainted();

private:
    enum Block : std::size_t { Rate, Persist, Special, BlockCount };

    QWidget* buildControls();
    QWidget* buildToggles();
    QLabel* buildStats();
    void buildShowInList();
    void addToggle(QHBoxLayout& row, Block block, const QString& key, const QString& text);
    void buildBlocks();
    void alignCharts();
    void showPoints(Block block, const PlotSeries::Source& series);
    void shareTimeSpan(bool grown);
    /// Shows the span the user asked for in every chart, and keeps it in the model.
    void showSpan(const std::optional<AxisRange>& span);
    /// Shows the model's span in every chart that shows another.
    void followSpan();
    void showStats();
    /// The name a saved image of the window is offered under, without suffix.
    QString imageName() const;
    /// What tells a saved image apart: the file and the span of time shown.
    QString imageCaption() const;
    /// The points in view in the charts shown.
    std::size_t shownPoints() const;
    void observe();

    Quillstat& loggy_;
    std::function<void(TimeWindow)> showInList_;
    QAction* showInListAction_ = nullptr;
    QLabel* stats_ = nullptr;
    /// The figures shown, of `table` within `window`: a grown table adds its new lines alone.
    struct Summed {
        std::shared_ptr<const StatTable> table;
        TimeWindow window;
        SpanStats stats;
    } summed_;
    std::array<bool, BlockCount> shown_{true, true, true};
    std::array<PlotBlock*, BlockCount> blocks_{};
};

}  // namespace quill::ui
