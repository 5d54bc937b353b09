// How the pointer and the keys zoom and pan the stacked chart, and the tip over a segment.

#include <QHelpEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QTextDocument>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "analysis/date_format.h"
#include "ui/plot/time_zoom.h"
#include "ui/processes/stack_chart.h"

namespace quill::ui {

namespace {

/// As the plot zooms: a notch of the wheel narrows the span by a quarter.
constexpr double kZoomPerNotch = 1.25;
constexpr double kNotch = 120;

/// `time`'s local date, "yyyy-MM-dd", and clock, "HH:mm".
std::pair<QString, QString> dateAndClock(DateFormatter& dates, std::int64_t time) {
    const QString text = QString::fromStdString(dates.format(time));
    const qsizetype space = text.indexOf(u' ');
    return {text.left(space), text.mid(space + 1, 5)};
}

/// A bucket as precisely as its unit tells it: "2024-06-04 08:00–09:00" for an hour,
/// "2024-06-04" for a day, "2024-06-03 – 2024-06-09" for a week, "2024-06" for a month.
QString bucketText(BucketUnit unit, std::int64_t start, std::int64_t end) {
    DateFormatter dates(DateFormatter::Pattern::DateFirst);
    const auto [date, clock] = dateAndClock(dates, start);
    switch (unit) {
        case BucketUnit::Minute:
        case BucketUnit::Hour:
            return date + u' ' + clock + u'\u2013' + dateAndClock(dates, end).second;
        case BucketUnit::Day:
            return date;
        case BucketUnit::Week:
            return date + QStringLiteral(" \u2013 ") + dateAndClock(dates, end - 1).first;
        case BucketUnit::Month:
            return date.left(date.lastIndexOf(u'-'));
    }
    return date;
}

}  // namespace

QString StackChart::tipText(std::size_t k, std::size_t j) const {
    const QString bytes =
        QLocale().toString(static_cast<qlonglong>(clampedToInt64(buckets_.at(k, j) / 1024)));
    return bucketText(buckets_.unit, buckets_.starts[k], buckets_.starts[k + 1]) + u'\n' +
           fullName(j) + u'\n' + bytes + QStringLiteral(" KB");
}

bool StackChart::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        if (!showTip(static_cast<QHelpEvent*>(event)->pos())) QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

bool StackChart::showTip(const QPoint& at) {
    const Layout shape = layout();
    QString text;
    for (std::size_t j = 0; j < shape.legend.size(); ++j)
        if (shape.legend[j].contains(at)) text = fullName(j);
    const double moment = shape.time.toValue(at.x() - shape.plot.left());
    const auto after =
        std::upper_bound(buckets_.starts.begin(), buckets_.starts.end(), moment,
                         [](double m, std::int64_t s) { return m < static_cast<double>(s); });
    if (text.isEmpty() && shape.plot.contains(at) && after != buckets_.starts.begin() &&
        after != buckets_.starts.end()) {
        const auto k = static_cast<std::size_t>(after - buckets_.starts.begin() - 1);
        forEachSegment(shape, k, [&](std::size_t j, const QRectF& segment) {
            if (segment.contains(at)) text = tipText(k, j);
        });
    }
    if (text.isEmpty()) return false;
    // Plain text, whatever a process's name looks like: escaped where Qt would take it for markup.
    if (Qt::mightBeRichText(text))
        text = QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
               QStringLiteral("</p>");
    QToolTip::showText(mapToGlobal(at), text, this);
    return true;
}

void StackChart::request(AxisRange span) {
    // A span that takes in the whole file is the whole file: the plot then shows all of it.
    if (span.min <= full_.min && span.max >= full_.max)
        Q_EMIT spanRequested(std::nullopt);
    else
        Q_EMIT spanRequested(span);
}

void StackChart::zoomAbout(double x, double factor) {
    const Layout shape = layout();
    const double share = std::clamp((x - shape.plot.left()) / shape.plot.width(), 0.0, 1.0);
    const double anchor = shown_.min + share * shown_.span();
    request(zoomedSpan(shown_, anchor, factor, full_, minimumSpan(full_)));
}

void StackChart::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    const double notches = (delta.y() != 0 ? delta.y() : delta.x()) / kNotch;
    if (notches == 0) return event->ignore();
    zoomAbout(event->position().x(), std::pow(kZoomPerNotch, -notches));
    event->accept();
}

void StackChart::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    dragFrom_ = event->position().x();
    dragSpan_ = shown_;
    setCursor(Qt::ClosedHandCursor);
    event->accept();
}

void StackChart::mouseMoveEvent(QMouseEvent* event) {
    if (!dragFrom_ || !event->buttons().testFlag(Qt::LeftButton))
        return QWidget::mouseMoveEvent(event);
    // From the span at the start of the drag: the moment grabbed stays under the pointer.
    const double pixels = event->position().x() - *dragFrom_;
    const double seconds = -pixels * dragSpan_.span() / std::max(layout().plot.width(), 1.0);
    if (pixels != 0) request(pannedSpan(dragSpan_, seconds, full_));
    event->accept();
}

void StackChart::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragFrom_) return QWidget::mouseReleaseEvent(event);
    dragFrom_.reset();
    unsetCursor();
    event->accept();
}

void StackChart::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
    Q_EMIT spanRequested(std::nullopt);
    event->accept();
}

void StackChart::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Home || event->modifiers() != Qt::NoModifier)
        return QWidget::keyPressEvent(event);
    Q_EMIT spanRequested(std::nullopt);
    event->accept();
}

}  // namespace quill::ui
