#pragma once

#include <QString>
#include <QWidget>
#include <optional>

class QLabel;

namespace quill::ui {

class PointChart;

/// One chart of the plot window under its header: the title and, once the pointer has passed
/// over the chart, the moment it last pointed at. The moment outlives hiding the block.
class PlotBlock final : public QWidget {
    Q_OBJECT
public:
    /// `key` prefixes the object names of the block ("<key>Block") and of its parts
    /// ("<key>HeaderTitle", "<key>HeaderDate", "<key>Chart").
    PlotBlock(const QString& key, const QString& title, const QString& valueTitle,
              const QString& legendTitle, QWidget* parent = nullptr);

    PointChart& chart() const { return *chart_; }
    /// The moment picked on the chart, in seconds since 1970; empty until the pointer moved over
    /// it, or where the chart had no time to give.
    const std::optional<double>& moment() const { return moment_; }
    void setMoment(std::optional<double> moment);

private:
    QLabel* date_ = nullptr;
    PointChart* chart_ = nullptr;
    std::optional<double> moment_;
};

}  // namespace quill::ui
