#include "ui/main_window/message_row.h"

#include <QAbstractItemView>
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
/// The least room for a file name: its last two components, for a typical log.
constexpr int kFileChars = 44;
constexpr std::size_t kDurationSlot = 3;
constexpr std::size_t kFileSlot = 6;

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
    charWidth_ = metrics.horizontalAdvance(QLatin1Char('0'));
    for (std::size_t i = 0; i < kSlotChars.size(); ++i) minWidths_[i] = kSlotChars[i] * charWidth_;
    spacing_ = charWidth_;
}

int MessageRow::minWidth(std::size_t i, const QModelIndex& index) const {
    if (i != kDurationSlot) return minWidths_[i];
    const auto* list = qobject_cast<const StatListModel*>(index.model());
    return std::max(minWidths_[i], list ? list->durationChars() * charWidth_ : 0);
}

std::array<QRect, 7> MessageRow::slotRects(const QStyleOptionViewItem& option,
                                           const std::array<RowText, 7>& texts,
                                           const QModelIndex& index) const {
    const QFontMetrics metrics(font_);
    std::array<QRect, 7> rects;
    int x = option.rect.left() + spacing_ / 2;
    for (std::size_t i = 0; i < kFileSlot; ++i) {
        const int slot = std::max(metrics.horizontalAdvance(texts[i].text), minWidth(i, index));
        rects[i] = QRect(x, option.rect.top(), slot, option.rect.height());
        x += slot + spacing_;
    }
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    const int shownRight = view ? view->viewport()->width() - spacing_ / 2 : option.rect.right();
    rects[kFileSlot] =
        QRect(x, option.rect.top(), std::max(shownRight - x, kFileChars * charWidth_),
              option.rect.height());
    return rects;
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
    const auto rects = slotRects(option, texts, index);
    const QFontMetrics metrics(font_);
    painter->save();
    painter->setFont(font_);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        // On the selection's highlight the tones would drown; the row reads in one colour.
        painter->setPen(texts[i].colour.isValid() && !selected ? texts[i].colour : plain);
        // Log names differ at their end: where one is cut, its start goes.
        const QString text =
            i == kFileSlot ? metrics.elidedText(texts[i].text, Qt::ElideLeft, rects[i].width())
                           : texts[i].text;
        painter->drawText(rects[i], Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }
    painter->restore();
}

QSize MessageRow::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
    const QFontMetrics metrics(font_);
    int width = spacing_;
    for (std::size_t i = 0; i < kFileSlot; ++i) width += minWidth(i, index) + spacing_;
    // The list scrolls sideways only where it cannot show the end of a name.
    width += std::min(metrics.horizontalAdvance(index.data(StatListModel::FileRole).toString()),
                      kFileChars * charWidth_);
    return {width, metrics.height() + 6};
}

}  // namespace quill::ui
