#pragma once

#include <QWidget>
#include <vector>

#include "analysis/quillstat.h"
#include "ui/chart/axis_fit.h"
#include "ui/chart/bar_columns.h"

class QBarSet;
class QCategoryAxis;
class QChart;
class QChartView;
class QGridLayout;
class QHelpEvent;
class QLabel;
class QSlider;
class QStackedBarSeries;
class QValueAxis;
class QVBoxLayout;

namespace quill::ui {

class ModelObserver;

/// The chart window's content: the charted record's date and total size, two sliders that pick
/// a window of process numbers, and one bar per process in that window, sized in KB. Shows
/// nothing while no record is charted.
class ChartView final : public QWidget {
    Q_OBJECT
public:
    explicit ChartView(Quillstat& loggy, QWidget* parent = nullptr);
    ~ChartView() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct SliderSetup;
    void buildHeader(QVBoxLayout& stack);
    void buildSliders(QVBoxLayout& stack);
    /// The name a saved image of the window is offered under, without suffix.
    QString imageName() const;
    /// What tells a saved image apart: the statistics file and the charted record's file.
    QString imageCaption() const;
    QSlider* addSlider(QGridLayout& grid, int row, const SliderSetup& setup);
    void buildChart(QVBoxLayout& stack);

    void draw();
    void drawEmpty();
    void drawBars(const std::vector<StatStats>& rows);
    void fillSeries(const std::vector<BarColumn>& columns);
    void fitValueAxis(const std::vector<BarColumn>& columns);
    /// Fits both axes' labels to the chart's size: none may be cut to "...".
    void fitAxes();
    /// Fits the names to their columns; returns how high they stand.
    qreal fitProcessAxis(QSizeF room, qreal titleHeight);
    /// How wide the size axis stands beside the plot, its labels and title.
    qreal sizeAxisWidth(bool titled) const;
    void setProcessLabels(const ProcessLabels& labels);
    void fitSizeTicks(qreal roomHeight, qreal plotHeight);
    void showBarTip(bool hovering, int index, QBarSet* set);
    bool showNameTip(const QHelpEvent& help);

    Quillstat& loggy_;
    QWidget* content_ = nullptr;
    QLabel* dateText_ = nullptr;
    QLabel* sizeText_ = nullptr;
    QSlider* startSlider_ = nullptr;
    QSlider* widthSlider_ = nullptr;
    QChartView* chartView_ = nullptr;
    QChart* chart_ = nullptr;
    QStackedBarSeries* series_ = nullptr;
    QCategoryAxis* processAxis_ = nullptr;
    QValueAxis* sizeAxis_ = nullptr;
    /// What the series holds now, so that a slider step that changes nothing redraws nothing.
    std::vector<BarColumn> drawn_;
    int sizeSteps_ = 1;  ///< steps of the size scale, before fitAxes() thins them
    bool chartFilled_ = false;
    ModelObserver* observer_ = nullptr;
    bool barTipShown_ = false;  ///< a bar's tip is up, which the view must not hide
};

}  // namespace quill::ui
