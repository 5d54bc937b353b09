#include "ui/chart/axis_fit.h"

#include <QSet>
#include <QTextDocument>
#include <algorithm>

namespace quill::ui {

namespace {

/// Fewer characters than this name nothing a reader would know again.
constexpr qsizetype kFewestKept = 2;

/// Measures labels in one font, reusing one document: a fit measures dozens of them.
class LabelMeter {
public:
    explicit LabelMeter(const QFont& font) {
        document_.setDocumentMargin(0.5);
        document_.setDefaultFont(font);
    }
    QSizeF box(const QString& richText) {
        document_.setHtml(richText);
        return document_.size();
    }

private:
    QTextDocument document_;
};

/// `name` as rich text, whole if it fits `room`, else its longest start that fits with "…"
/// after it; null where that start would be shorter than kFewestKept.
QString shortened(const QString& name, LabelMeter& meter, qreal room) {
    QString text = name.toHtmlEscaped();
    if (meter.box(text).width() <= room) return text;
    const auto fits = [&](qsizetype kept) {
        return meter.box(name.left(kept).toHtmlEscaped() + QChar(0x2026)).width() <= room;
    };
    qsizetype kept = 0;  // the longest start known to fit
    for (qsizetype high = name.size() - 1; kept < high;) {
        const qsizetype middle = (kept + high + 1) / 2;
        if (fits(middle)) {
            kept = middle;
        } else {
            high = middle - 1;
        }
    }
    if (kept > 0 && name.at(kept - 1).isHighSurrogate()) --kept;  // never half a character
    if (kept < kFewestKept) return {};
    return name.left(kept).toHtmlEscaped() + QChar(0x2026);
}

/// The names whole, if every one fits `room` across; otherwise none.
QStringList fittedAcross(const QStringList& names, LabelMeter& meter, qreal room) {
    QStringList texts;
    for (const QString& name : names) {
        texts << name.toHtmlEscaped();
        if (meter.box(texts.last()).width() > room) return {};
    }
    return texts;
}

/// The names shortened to `room`, if every one keeps enough to be known again; otherwise none.
QStringList fittedUpright(const QStringList& names, LabelMeter& meter, qreal room) {
    QStringList texts;
    QSet<QString> seen;
    for (const QString& name : names) {
        QString text = shortened(name, meter, room);
        if (text.isNull()) return {};
        // The axis keeps one label per distinct text; a zero-width space keeps apart two names
        // that read alike once shortened.
        while (seen.contains(text)) text += QChar(0x200B);
        seen.insert(text);
        texts << text;
    }
    return texts;
}

}  // namespace

QSizeF labelBox(const QFont& font, const QString& richText) {
    return LabelMeter(font).box(richText);
}

ProcessLabels fitProcessLabels(const QStringList& names, const QFont& font, qreal width,
                               qreal padding, qreal upright) {
    LabelMeter meter(font);
    const qreal line = meter.box(QStringLiteral("X")).height();
    for (int step = 1; step <= names.size(); ++step) {
        ProcessLabels labels;
        labels.step = step;
        QStringList named;
        for (qsizetype index = 0; labels.column(index) < names.size(); ++index)
            named << names[labels.column(index)];
        const qreal across = width / qreal(named.size() + 1) - padding;
        labels.texts = fittedAcross(named, meter, across);
        if (!labels.texts.isEmpty()) return labels;
        if (line > across || upright <= across) continue;
        labels.texts = fittedUpright(named, meter, upright);
        labels.angle = -90;
        if (!labels.texts.isEmpty()) return labels;
    }
    // Not a name fits: the tooltips still name every column.
    ProcessLabels none;
    none.visible = names.isEmpty();
    return none;
}

int fewerSteps(int steps, int most) {
    for (int count = std::min(steps, most); count > 1; --count)
        if (steps % count == 0) return count;
    return 1;
}

}  // namespace quill::ui
