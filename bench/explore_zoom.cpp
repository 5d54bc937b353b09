// One zoom or pan step of the plot window, timed from the event to the frame on screen.

#include "bench/explore_zoom.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <functional>
#include <stdexcept>

#include "analysis/quillstat.h"
#include "ui/plot/plot_view.h"
#include "ui/plot/point_chart.h"

namespace quill::bench {

namespace {

constexpr double kTimeoutMs = 60'000;
/// The size the plot window opens at on a common screen.
const QSize kWindow(1200, 900);

void waitForPoints(const ui::PlotView& view) {
    QElapsedTimer timer;
    timer.start();
    while (!view.pointsUpToDate()) {
        if (static_cast<double>(timer.elapsed()) > kTimeoutMs)
            throw std::runtime_error("the plot window never showed its points");
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

/// Sends `event` to the chart and returns the milliseconds until every chart painted anew.
double timed(const ui::PlotView& view, QWidget& target, QEvent& event) {
    QElapsedTimer timer;
    timer.start();
    QCoreApplication::sendEvent(&target, &event);
    waitForPoints(view);
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

class Stepper {
public:
    Stepper(const ui::PlotView& view, ui::PointChart& chart)
        : view_(view), chart_(chart), port_(*chart.viewport()) {
        const QRectF inScene = chart.chart()->mapRectToScene(chart.chart()->plotArea());
        area_ = chart.viewportTransform().mapRect(inScene);
    }

    QPointF at(double share) const {
        return {area_.left() + share * area_.width(), area_.center().y()};
    }

    double wheel(double share, int angle) {
        const QPointF where = at(share);
        QWheelEvent event(where, port_.mapToGlobal(where), QPoint(), QPoint(0, angle), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        return timed(view_, port_, event);
    }

    /// Presses at `from`, then times the move by `dx` pixels that pans, then lets go.
    double pan(double from, double dx) {
        const QPointF start = at(from);
        const QPointF end = start + QPointF(dx, 0);
        mouse(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        QMouseEvent move(QEvent::MouseMove, end, port_.mapToGlobal(end), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        const double ms = timed(view_, port_, move);
        mouse(QEvent::MouseButtonRelease, end, Qt::LeftButton, Qt::NoButton);
        return ms;
    }

private:
    void mouse(QEvent::Type type, QPointF where, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, where, port_.mapToGlobal(where), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(&port_, &event);
        waitForPoints(view_);
    }

    const ui::PlotView& view_;
    ui::PointChart& chart_;
    QWidget& port_;
    QRectF area_;
};

}  // namespace

double worstZoomStepMs(Quillstat& model, int tries) {
    ui::PlotView view(model);
    view.resize(kWindow);
    view.show();
    waitForPoints(view);
    auto* chart = view.findChild<ui::PointChart*>(QStringLiteral("rateChart"));
    if (chart == nullptr) throw std::runtime_error("the plot window has no rate chart");
    Stepper step(view, *chart);
    double worst = 0;
    for (int i = 0; i < std::max(tries, 1); ++i) {
        // In about the pointer, a pan across a tenth of the plot, a notch out, which draws the
        // most points of any step but the whole, and out to the whole of the time, whose image
        // the window kept.
        const double share = 0.2 + 0.6 * (i % 5) / 4.0;
        worst = std::max(worst, step.wheel(share, 3 * 120));
        worst = std::max(worst, step.pan(0.5, (i % 2 == 0 ? 1 : -1) * 0.1 * 800));
        worst = std::max(worst, step.wheel(share, -120));
        worst = std::max(worst, step.wheel(share, -6 * 120));
    }
    return worst;
}

}  // namespace quill::bench
