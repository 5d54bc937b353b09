// Typesets the user manual, written in Markdown, as an A4 PDF with numbered pages:
//   quillometer-make-manual INPUT.md OUTPUT.pdf
// Runs at build time, so it needs fonts but no display (QT_QPA_PLATFORM=offscreen).

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <cstdio>
#include <utility>

namespace quill::manual {

namespace {

// Device pixels are CSS pixels, so the lengths below read like those of a style sheet.
constexpr int kResolution = 96;
constexpr double kBodyPointSize = 10.5;
constexpr double kCodePointSize = 8.5;
constexpr double kFooterPointSize = 8.0;
constexpr double kFooterHeight = 36;
constexpr QMarginsF kPageMarginsMm(22, 20, 22, 14);
constexpr QColor kHeadingColour(0x1f, 0x3a, 0x5f);
constexpr QColor kRuleColour(0xb0, 0xb8, 0xc4);
constexpr QColor kCodeBackground(0xf2, 0xf4, 0xf7);
constexpr QColor kHeaderBackground(0xe4, 0xe9, 0xf0);
constexpr QColor kFooterColour(0x60, 0x60, 0x60);

QFont bodyFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(kBodyPointSize);
    return font;
}

QStringList monospaceFamilies() {
    return {QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"),
            QStringLiteral("monospace")};
}

bool readText(const QString& path, QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    text = QString::fromUtf8(file.readAll());
    return true;
}

void mergeCharFormat(const QTextBlock& block, int from, int length, const QTextCharFormat& format) {
    QTextCursor cursor(block);
    cursor.setPosition(from);
    cursor.setPosition(from + length, QTextCursor::KeepAnchor);
    cursor.mergeCharFormat(format);
}

bool isCodeBlock(const QTextBlockFormat& format) {
    return format.hasProperty(QTextFormat::BlockCodeFence) ||
           format.hasProperty(QTextFormat::BlockCodeLanguage) || format.nonBreakableLines();
}

void styleHeading(const QTextBlock& block) {
    const int level = block.blockFormat().headingLevel();
    QTextBlockFormat format;
    format.setTopMargin(level == 1 ? 0 : level == 2 ? 20 : 12);
    format.setBottomMargin(level == 1 ? 14 : 6);
    QTextCursor(block).mergeBlockFormat(format);
    QTextCharFormat chars;
    chars.setForeground(kHeadingColour);
    chars.setFontWeight(QFont::Bold);
    mergeCharFormat(block, block.position(), block.length() - 1, chars);
}

void collapseIfEmpty(const QTextBlock& block) {
    if (!block.isValid() || block.length() > 1) return;
    QTextBlockFormat format;
    format.setTopMargin(0);
    format.setBottomMargin(0);
    format.setLineHeight(0, QTextBlockFormat::FixedHeight);
    QTextCursor cursor(block);
    cursor.setBlockFormat(format);
    QTextCharFormat chars;
    chars.setFontPointSize(1);
    cursor.setBlockCharFormat(chars);
}

// Code sits in a shaded box. It keeps its line breaks but may wrap where a line is wider than
// the page, so a long record is shown whole rather than cut off at the margin. `first` and
// `last` are the positions of the first and the last block of one piece of code.
void styleCode(QTextDocument& document, int first, int last) {
    QTextCursor cursor(&document);
    cursor.setPosition(first);
    const QTextBlock end = document.findBlock(last);
    cursor.setPosition(end.position() + end.length() - 1, QTextCursor::KeepAnchor);
    QTextBlockFormat format;
    format.setNonBreakableLines(false);
    format.setLineHeight(115, QTextBlockFormat::ProportionalHeight);
    cursor.mergeBlockFormat(format);
    QTextCharFormat chars;
    chars.setFontFamilies(monospaceFamilies());
    chars.setFontPointSize(kCodePointSize);
    cursor.mergeCharFormat(chars);

    QTextFrameFormat box;
    box.setBackground(kCodeBackground);
    box.setBorder(0.75);
    box.setBorderBrush(kRuleColour);
    box.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    box.setPadding(6);
    box.setTopMargin(2);
    box.setBottomMargin(8);
    const QTextFrame* frame = cursor.insertFrame(box);
    // A frame always stands between two blocks; here they are empty and should take no room.
    collapseIfEmpty(document.findBlock(frame->firstPosition() - 1));
    collapseIfEmpty(document.findBlock(frame->lastPosition() + 1));
}

void styleInlineCode(const QTextBlock& block) {
    QTextCharFormat chars;
    chars.setFontFamilies(monospaceFamilies());
    chars.setFontPointSize(kBodyPointSize * 0.92);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.isValid() && fragment.charFormat().fontFixedPitch())
            mergeCharFormat(block, fragment.position(), fragment.length(), chars);
    }
}

void styleBlocks(QTextDocument& document) {
    // Boxing code inserts frames and so new blocks: collect the pieces of code first, then box
    // them from the last, which leaves the positions of the earlier ones as they were.
    QList<std::pair<int, int>> code;
    bool inCode = false;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        const bool isCode = format.headingLevel() == 0 && isCodeBlock(format);
        if (isCode && inCode) {
            code.back().second = block.position();
        } else if (isCode) {
            code.append({block.position(), block.position()});
        } else if (format.headingLevel() > 0) {
            styleHeading(block);
        } else {
            styleInlineCode(block);
        }
        inCode = isCode;
    }
    for (auto it = code.crbegin(); it != code.crend(); ++it)
        styleCode(document, it->first, it->second);
}

void styleTable(QTextTable& table) {
    QTextTableFormat format = table.format();
    format.setBorder(0.75);
    format.setBorderBrush(kRuleColour);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    format.setCellPadding(5);
    format.setCellSpacing(0);
    // No repeated header: the layout would also repeat it on a page that only the table's
    // bottom margin reaches, over the text there.
    format.setHeaderRowCount(0);
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    format.setTopMargin(4);
    format.setBottomMargin(10);
    table.setFormat(format);
    for (int column = 0; column < table.columns(); ++column) {
        QTextTableCell cell = table.cellAt(0, column);
        QTextCharFormat header = cell.format();
        header.setBackground(kHeaderBackground);
        header.setFontWeight(QFont::Bold);
        cell.setFormat(header);
    }
}

void styleTables(QTextDocument& document) {
    const QList<QTextFrame*> frames = document.rootFrame()->childFrames();
    for (QTextFrame* frame : frames) {
        if (auto* table = qobject_cast<QTextTable*>(frame)) styleTable(*table);
    }
}

int pageOf(double y, double pageHeight) {
    return static_cast<int>(y / pageHeight);
}

bool startsOnAnotherPage(const QRectF& lead, const QRectF& follower, double pageHeight) {
    return pageOf(lead.top(), pageHeight) != pageOf(follower.bottom(), pageHeight);
}

// A heading at the foot of a page, its text on the next, helps no one.
bool headingAlone(const QAbstractTextDocumentLayout& layout, const QTextBlock& block,
                  double pageHeight) {
    const QTextBlock next = block.next();
    if (block.blockFormat().headingLevel() == 0 || !next.isValid()) return false;
    QRectF following = layout.blockBoundingRect(next);
    const QTextLayout* lines = next.layout();
    following.setHeight(lines->lineCount() > 0 ? lines->lineAt(0).height() : 0.0);
    return startsOnAnotherPage(layout.blockBoundingRect(block), following, pageHeight);
}

// Nor does a table's header row at the foot of a page, its rows all on the next. The layout
// moves a row that would cross a page's edge whole, so the tops of the rows tell.
bool headerAlone(const QAbstractTextDocumentLayout& layout, const QTextTable& table,
                 double pageHeight) {
    if (table.rows() < 2) return false;
    const auto top = [&](int row) {
        const QRectF text =
            layout.blockBoundingRect(table.cellAt(row, 0).firstCursorPosition().block());
        return QRectF(text.topLeft(), QSizeF(text.width(), 0));
    };
    return startsOnAnotherPage(top(0), top(1), pageHeight);
}

// The table that `block` opens, if it is the first of a table's first cell.
QTextTable* tableOpenedBy(const QTextBlock& block) {
    QTextTable* table = QTextCursor(block).currentTable();
    return table && table->firstPosition() == block.position() ? table : nullptr;
}

void breakBefore(QTextDocument& document, const QTextBlock& block, QTextTable* table) {
    // The heading over a table goes along with it.
    const QTextBlock before = table ? document.findBlock(table->firstPosition() - 1) : QTextBlock();
    if (table && before.blockFormat().headingLevel() == 0) {
        QTextTableFormat format = table->format();
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        table->setFormat(format);
    } else {
        QTextBlockFormat format;
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        QTextCursor(table ? before : block).mergeBlockFormat(format);
    }
    // The layout redoes only what it thinks changed, which after a page break misses blocks
    // further down: lay the whole text out again.
    document.markContentsDirty(0, document.characterCount());
}

// What reads as one starts the next page rather than being torn apart at the foot of one.
// Runs once the page size is known; each break moves what follows, so the document is checked
// in order.
void keepTogether(QTextDocument& document, double pageHeight) {
    const QAbstractTextDocumentLayout& layout = *document.documentLayout();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextTable* table = tableOpenedBy(block);
        if (table ? headerAlone(layout, *table, pageHeight)
                  : headingAlone(layout, block, pageHeight))
            breakBefore(document, block, table);
    }
}

void drawFooter(QPainter& painter, const QRectF& area, int page, int pageCount) {
    painter.save();
    painter.setPen(QPen(kRuleColour, 0.75));
    painter.drawLine(area.topLeft(), area.topRight());
    QFont font = bodyFont();
    font.setPointSizeF(kFooterPointSize);
    painter.setFont(font);
    painter.setPen(kFooterColour);
    const QRectF text = area.adjusted(0, 6, 0, 0);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Quillometer User Manual"));
    painter.drawText(text, Qt::AlignRight | Qt::AlignTop,
                     QStringLiteral("Page %1 of %2").arg(page).arg(pageCount));
    painter.restore();
}

void drawPage(QPainter& painter, QTextDocument& document, const QRectF& body, int page) {
    painter.save();
    const QRectF clip(0, page * body.height(), body.width(), body.height());
    painter.setClipRect(body);
    painter.translate(0, -clip.top());
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = clip;
    context.palette.setColor(QPalette::Text, Qt::black);
    document.documentLayout()->draw(&painter, context);
    painter.restore();
}

bool paintPages(QPdfWriter& writer, QTextDocument& document) {
    document.documentLayout()->setPaintDevice(&writer);
    const QRectF body(0, 0, writer.width(), writer.height() - kFooterHeight);
    document.setPageSize(body.size());
    keepTogether(document, body.height());
    const int pageCount = document.pageCount();

    QPainter painter;
    if (!painter.begin(&writer)) return false;
    const QRectF footer(0, writer.height() - kFooterHeight + 12, writer.width(), kFooterHeight);
    for (int page = 0; page < pageCount; ++page) {
        if (page > 0) writer.newPage();
        drawPage(painter, document, body, page);
        drawFooter(painter, footer, page + 1, pageCount);
    }
    return painter.end();
}

bool writePdf(QTextDocument& document, const QString& path) {
    // Written aside and moved into place only when whole: a failed run must not leave a
    // truncated manual that the build then takes for up to date.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    QPdfWriter writer(&file);
    writer.setResolution(kResolution);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(kPageMarginsMm, QPageLayout::Millimeter);
    writer.setTitle(QStringLiteral("Quillometer User Manual"));
    writer.setCreator(QStringLiteral("Quillometer"));
    const bool painted = paintPages(writer, document);
    document.documentLayout()->setPaintDevice(nullptr);
    return painted && file.commit();
}

void typeset(QTextDocument& document, const QString& markdown) {
    document.setDefaultFont(bodyFont());
    document.setDocumentMargin(0);
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document.setDefaultTextOption(option);
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    styleBlocks(document);
    styleTables(document);
}

}  // namespace

int run(const QStringList& arguments) {
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: quillometer-make-manual INPUT.md OUTPUT.pdf\n");
        return 2;
    }
    QString markdown;
    if (!readText(arguments[1], markdown)) {
        std::fprintf(stderr, "quillometer-make-manual: cannot read %s\n", qPrintable(arguments[1]));
        return 1;
    }
    QTextDocument document;
    typeset(document, markdown);
    if (!writePdf(document, arguments[2])) {
        std::fprintf(stderr, "quillometer-make-manual: cannot write %s\n",
                     qPrintable(arguments[2]));
        return 1;
    }
    return 0;
}

}  // namespace quill::manual

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    return quill::manual::run(QGuiApplication::arguments());
}
