#pragma once

#include <QFont>
#include <QSizeF>
#include <QString>
#include <QStringList>

namespace quill::ui {

/// Qt Charts cuts any axis label that overflows the room it gives it down to "...", and at a
/// small size that is every label. These fit the labels to that room beforehand, so that what
/// the axes show is always readable.

/// The size Qt Charts gives a label: rich text laid out with half a pixel of margin around it.
QSizeF labelBox(const QFont& font, const QString& richText);

/// How the process axis writes its column names.
struct ProcessLabels {
    QStringList texts;  ///< rich text, one per named column, no two alike
    int step = 1;       ///< every step-th column is named, the first being (step - 1) / 2
    int angle = 0;      ///< 0 across the column, -90 upright
    bool visible = true;
    /// The column the `index`-th text names.
    int column(qsizetype index) const { return int(index) * step + (step - 1) / 2; }
};

/// The names as they fit an axis `width` pixels long that gives each of its labels, and one
/// more, an equal share of it, less `padding`: whole and across where every one fits, otherwise
/// upright, `upright` pixels long (where a line of text is no wider than the share), shortened
/// with "…" where needed. Where even that would leave a name fewer than two characters, or its
/// line no room, only every second, third… column is named, each then having that much more
/// room. Not shown at all where not even one name a column fits.
ProcessLabels fitProcessLabels(const QStringList& names, const QFont& font, qreal width,
                               qreal padding, qreal upright);

/// The most steps, at most `most` and at least one, that a scale of `steps` can be ticked in: a
/// divisor of `steps`, so that every tick stays on a round number and the ends stay as they are.
int fewerSteps(int steps, int most);

}  // namespace quill::ui
