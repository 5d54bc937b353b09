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
    QStringList texts;  ///< rich text, one per column, no two alike
    int angle = 0;      ///< 0 across the column, -90 upright
    bool visible = true;
};

/// The names as they fit: whole and across the columns where every one fits `across` pixels;
/// otherwise in whichever direction has more room, upright ones `upright` pixels long (where a
/// line of text is no taller than `across`), shortened with "…" where needed; not shown at all
/// where a name would keep fewer than two characters.
ProcessLabels fitProcessLabels(const QStringList& names, const QFont& font, qreal across,
                               qreal upright);

/// The most steps, at most `most` and at least one, that a scale of `steps` can be ticked in: a
/// divisor of `steps`, so that every tick stays on a round number and the ends stay as they are.
int fewerSteps(int steps, int most);

}  // namespace quill::ui
