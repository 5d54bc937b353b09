#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>
#include <QStyledItemDelegate>
#include <array>

namespace quill::ui {

/// One text of a row and the colour it is drawn in; an invalid colour means the palette's.
struct RowText {
    QString text;
    QColor colour;
};

/// The brown, red and green of the row, in tones that read well on the palette's base.
struct RowColours {
    QColor brown, red, green;
};
RowColours rowColours(const QPalette& palette);

/// The seven texts of a row, in order: previous date, the dash, entry date, duration with
/// " s" (brown), size (red), rate (green), file.
std::array<RowText, 7> messageRowTexts(const QModelIndex& index, const RowColours& colours);

/// The 12-point monospaced system font every row is drawn in.
QFont messageRowFont();

/// Draws a line of the main list as its seven texts in a row. Dates, durations, sizes and
/// rates start at the same place on every row, so the list reads as columns.
class MessageRow final : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit MessageRow(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    /// Where each of the row's texts is drawn. The file takes what room the view shows beyond
    /// the other texts, and at least enough for the end of a typical log's name.
    std::array<QRect, 7> slotRects(const QStyleOptionViewItem& option,
                                   const std::array<RowText, 7>& texts,
                                   const QModelIndex& index) const;

private:
    /// The least width of slot `i`; a duration's grows to the longest of the list.
    int minWidth(std::size_t i, const QModelIndex& index) const;

    QFont font_;
    std::array<int, 6> minWidths_{};  ///< the least width of each slot but the last, in pixels
    int spacing_ = 8;
    int charWidth_ = 8;
};

}  // namespace quill::ui
