#include "ui/plot/plot_block.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/plot/plot_scale.h"
#include "ui/plot/point_chart.h"

namespace quill::ui {

PlotBlock::PlotBlock(const QString& key, const QString& title, const QString& valueTitle,
                     const QString& legendTitle, QWidget* parent)
    : QWidget(parent) {
    setObjectName(key + QStringLiteral("Block"));
    auto* header = new QHBoxLayout();
    auto* titleText = new QLabel(title, this);
    titleText->setObjectName(key + QStringLiteral("HeaderTitle"));
    date_ = new QLabel(this);
    date_->setObjectName(key + QStringLiteral("HeaderDate"));
    date_->hide();
    header->addWidget(titleText, 0, Qt::AlignVCenter);
    header->addWidget(date_, 0, Qt::AlignVCenter);

    chart_ = new PointChart(valueTitle, legendTitle, this);
    chart_->setObjectName(key + QStringLiteral("Chart"));
    connect(chart_, &PointChart::pointerMoved, this, &PlotBlock::setMoment);

    auto* stack = new QVBoxLayout(this);
    stack->addLayout(header);
    stack->setAlignment(header, Qt::AlignHCenter);
    stack->addWidget(chart_, 1);
}

void PlotBlock::setMoment(std::optional<double> moment) {
    moment_ = moment;
    // Formatted on every change, so the text follows the time zone of the moment of drawing.
    date_->setText(moment_ ? instantText(*moment_) : QString());
    date_->setVisible(moment_.has_value());
}

}  // namespace quill::ui
