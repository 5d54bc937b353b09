#include "ui/main_window/message_row.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPainter>

#include "ui/main_window/stat_list_model.h"

namespace quill::ui {

namespace {

bool isDark(const QPalette& palette) {
    return palette.color(QPalette::Base).lightness() < 128;
}

/// Least widths of the first six slots, in characters: two dates "HH:mm:ss+hhmm yyyy-MM-dd",
/// the dash, a duration of up to eight digits with " s", a size and a rate.
constexpr std::array<int, 6> kSlotChars{24, 1, 24, 9, 10, 13};

}  // namespace

RowColours rowColours(const QPalette& palette) {
    if (isDark(palette))
        return {QColor(0xd6, 0xa2, 0x6e), QColor(0xff, 0x6e, 0x6e), QColor(0x6f, 0xcf, 0x75)};
    return {QColor(0x8b, 0x57, 0x2a), QColor(0xc6, 0x28, 0x28), QColor(0x2e, 0x7d, 0x32)};
}

std::array<RowText, 7> messageRowTexts(const QModelIndex& index, const RowColours& colours) {
    const auto text = [&](int role) { return index.data(role).toString(); };
    return {RowText{text(StatListModel::PrevDateRole), {}},
            RowText{QStringLiteral("\u2013"), {}},
            RowText{text(StatListModel::EntryDateRole), {}},
            RowText{text(StatListModel::DurationRole), colours.brown},
            RowText{text(StatListModel::SizeRole), colours.red},
            RowText{text(StatListModel::RateRole), colours.green},
            RowText{text(StatListModel::FileRole), {}}};
}

QFont messageRowFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(12);
    font.setStyleHint(QFont::Monospace);
    return font;
}

MessageRow::MessageRow(QObject* parent) : QStyledItemDelegate(parent), font_(messageRowFont()) {
    const QFontMetrics metrics(font_);
    const int charWidth = metrics.horizontalAdvance(QLatin1Char('0'));
    for (std::size_t i = 0; i < kSlotChars.size(); ++i) minWidths_[i] = kSlotChars[i] * charWidth;
    spacing_ = charWidth;
}

void MessageRow::paint(QPainter* painter, const QStyleOptionViewItem& option,
                       const QModelIndex& index) const {
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);

    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QColor plain =
        option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const auto texts = messageRowTexts(index, rowColours(option.palette));
    const QFontMetrics metrics(font_);
    painter->save();
    painter->setFont(font_);
    int x = option.rect.left() + spacing_ / 2;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const int width = metrics.horizontalAdvance(texts[i].text);
        const int slot = i < minWidths_.size() ? std::max(width, minWidths_[i]) : width;
        // On the selection's highlight the tones would drown; the row reads in one colour.
        painter->setPen(texts[i].colour.isValid() && !selected ? texts[i].colour : plain);
        const QRect rect(x, option.rect.top(), slot, option.rect.height());
        painter->drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          texts[i].text);
        x += slot + spacing_;
    }
    painter->restore();
}

QSize MessageRow::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
    const QFontMetrics metrics(font_);
    int width = spacing_ / 2;
    for (int w : minWidths_) width += w + spacing_;
    width += metrics.horizontalAdvance(index.data(StatListModel::FileRole).toString());
    return {width, metrics.height() + 6};
}

}  // namespace quill::ui
