#include "ui/help/help_view.h"

#include <QImage>
#include <QLabel>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPdfView>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include "tests/ui/common/screenshot.h"
#include "ui/help/pdfkit_view.h"

namespace quill::ui {
namespace {

/// What the document view shows: the page is everything that is not the grey around it, and
/// carries ink once it has been drawn.
struct Picture {
    QImage shot;
    QRect page = {};
    int ink = 0;
};

Picture picture(const PDFKitView& kit) {
    Picture p{kit.pdfView()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32)};
    const QRgb grey = kit.pdfView()->palette().color(QPalette::Dark).rgb();
    for (int y = 0; y < p.shot.height(); ++y)
        for (int x = 0; x < p.shot.width(); ++x) {
            if (p.shot.pixel(x, y) != grey) p.page |= QRect(x, y, 1, 1);
            if (p.shot.pixel(x, y) != grey && qGray(p.shot.pixel(x, y)) < 128) ++p.ink;
        }
    return p;
}

bool shown(HelpView& view, QSize size = {}) {
    if (size.isValid()) view.resize(size);
    view.show();
    return QTest::qWaitForWindowActive(&view);
}

constexpr int kMargin = 8;  // the view's grey about the pages

/// How wide the page is drawn: wider than the view it is scrolled across.
int pageWidth(const PDFKitView& kit) {
    const QScrollBar& bar = *kit.pdfView()->horizontalScrollBar();
    return bar.maximum() > 0 ? bar.maximum() + bar.pageStep() - 2 * kMargin
                             : picture(kit).page.width();
}

/// The first page's width in pixels at a zoom of 1.
double naturalWidth(const PDFKitView& kit) {
    return kit.document()->pagePointSize(0).width() * kit.screen()->logicalDotsPerInch() / 72;
}

/// The page of the typeset `markdown` that holds each of `words`, -1 where none does.
QList<int> pagesOf(const QString& markdown, const QStringList& words) {
    const QTemporaryDir dir;
    QFile source(dir.filePath("in.md"));
    if (!source.open(QIODevice::WriteOnly) || source.write(markdown.toUtf8()) < 0) return {};
    source.close();
    qputenv("ASAN_OPTIONS", "detect_leaks=0");  // as the build runs it
    if (QProcess::execute(QUILL_MAKE_MANUAL, {source.fileName(), dir.filePath("o.pdf")}) != 0)
        return {};
    QPdfDocument pdf;
    pdf.load(dir.filePath("o.pdf"));
    QList<int> pages(words.size(), -1);
    for (int page = pdf.pageCount() - 1; page >= 0; --page) {
        // The text comes back with line breaks between some of a heading's letters.
        const QString text = pdf.getAllText(page).text().remove(QRegularExpression("\\s"));
        for (qsizetype i = 0; i < words.size(); ++i)
            if (text.contains(words[i])) pages[i] = page;
    }
    return pages;
}

}  // namespace

class HelpViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void manualOpensAtTheFirstPageFittedToTheWidth() {
        HelpView view;
        QVERIFY(shown(view));
        PDFKitView& kit = *view.pdfKitView();
        QVERIFY2(kit.document() != nullptr && kit.pageCount() >= 2, "the manual did not load");
        QCOMPARE(kit.currentPage(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(picture(kit).ink > 50, 10000);
        test::saveScreenshot(view, QStringLiteral("help_window"));
        // The manual's 10.5-point text, legible: 14 pixels high at its printed size.
        QCOMPARE_GE(10.5 * kit.zoomFactor() * kit.screen()->logicalDotsPerInch() / 72, 12.0);
        // Whatever the window's shape, the page spans it, at the zoom it tells.
        for (const QSize size : {QSize(900, 420), QSize(500, 800), QSize(700, 900)}) {
            view.resize(size);
            QTRY_COMPARE(view.size(), size);
            const Picture p = picture(kit);
            QCOMPARE(p.page.width(), p.shot.width() - 2 * kMargin);
            QCOMPARE_LT(qAbs(kit.zoomFactor() * naturalWidth(kit) - p.page.width()), 1.0);
        }
    }

    void zoomKeysScaleThePage_data() {
        QTest::addColumn<QList<QKeySequence>>("keys");
        QTest::addColumn<double>("scale");  // to the fitted width, held to the zoom's bounds
        QTest::addColumn<bool>("fitted");
        const QKeySequence in(Qt::CTRL | Qt::Key_Plus);
        const QKeySequence out(Qt::CTRL | Qt::Key_Minus);
        QTest::newRow("Ctrl++") << QList{in} << 1.25 << false;
        QTest::newRow("Ctrl+=") << QList{QKeySequence(Qt::CTRL | Qt::Key_Equal)} << 1.25 << false;
        QTest::newRow("Ctrl+-") << QList{out} << 0.8 << false;
        QTest::newRow("in, Ctrl+0") << QList{in, QKeySequence(Qt::CTRL | Qt::Key_0)} << 1.0 << true;
        QTest::newRow("to the top") << QList<QKeySequence>(12, in) << 99.0 << false;
        QTest::newRow("to the bottom") << QList<QKeySequence>(12, out) << 0.01 << false;
    }

    void zoomKeysScaleThePage() {
        QFETCH(QList<QKeySequence>, keys);
        QFETCH(double, scale);
        QFETCH(bool, fitted);
        HelpView view;
        QVERIFY(shown(view, QSize(600, 700)));
        PDFKitView& kit = *view.pdfKitView();
        const double zoom = std::clamp(pageWidth(kit) / naturalWidth(kit) * scale,
                                       PDFKitView::kMinZoom, PDFKitView::kMaxZoom);
        for (const QKeySequence& key : keys) QTest::keySequence(&view, key);
        QCOMPARE(kit.pdfView()->zoomMode() == QPdfView::ZoomMode::FitToWidth, fitted);
        QCOMPARE_LT(qAbs(kit.zoomFactor() / zoom - 1), 1e-9);
        // Drawn at that size: the first step from the fitted width is a step, not a jump.
        QTRY_COMPARE_LT(qAbs(pageWidth(kit) - zoom * naturalWidth(kit)), 1.5);
    }

    void pageKeysTurnPages_data() {
        // Pages count from 1; 0 stands for the last page, -1 for the one before it.
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("expected");
        QTest::newRow("PageDown") << QList<int>{Qt::Key_PageDown} << 2;
        QTest::newRow("PageDown at the end") << QList<int>{Qt::Key_End, Qt::Key_PageDown} << 0;
        QTest::newRow("PageUp from the end") << QList<int>{Qt::Key_End, Qt::Key_PageUp} << -1;
        QTest::newRow("Home, PageUp") << QList<int>{Qt::Key_End, Qt::Key_Home, Qt::Key_PageUp} << 1;
        QTest::newRow("Home, scrolled down") << QList<int>{Qt::Key_Down, Qt::Key_Home} << 1;
        QTest::newRow("End, scrolled down")
            << QList<int>{Qt::Key_End, Qt::Key_Down, Qt::Key_End} << 0;
    }

    void pageKeysTurnPages() {
        QFETCH(QList<int>, keys);
        QFETCH(int, expected);
        HelpView view;
        QVERIFY(shown(view, QSize(500, 700)));
        for (const int key : keys) QTest::keyClick(view.pdfKitView()->pdfView(), Qt::Key(key));
        const int count = view.pdfKitView()->pageCount();
        const int page = expected > 0 ? expected : count + expected;
        QCOMPARE(view.pdfKitView()->currentPage(), page - 1);
        QCOMPARE(view.findChild<QLabel*>("pageIndicator")->text(),
                 QStringLiteral("Page %1 of %2").arg(page).arg(count));
        QCOMPARE(view.findChild<QWidget*>("previousPage")->isEnabled(), page > 1);
        QCOMPARE(view.findChild<QWidget*>("nextPage")->isEnabled(), page < count);
        QCOMPARE(picture(*view.pdfKitView()).page.top(), kMargin);  // the page's top in view
    }

    void manualKeepsTogetherWhatReadsAsOne() {
        // Text of every length up to two pages puts each page's foot everywhere in what follows.
        for (int lines = 20; lines < 50; ++lines) {
            const QString markdown =
                "# Manual\n\n" + QString("Filler.\n\n").repeated(lines) +
                "## Heading\n\nText.\n\n| Header | B |\n|---|---|\n| Row | 1 |\n\n"
                "## Title\n\n| Top | B |\n|---|---|\n| First | 1 |\n";
            const QList<int> pages =
                pagesOf(markdown, {"Heading", "Text", "Header", "Row", "Title", "Top", "First"});
            QVERIFY2(!pages.isEmpty() && !pages.contains(-1), "the manual was not typeset");
            // A heading, a table's header, a heading over a table: none alone at a page's foot.
            QVERIFY(pages[0] == pages[1] && pages[2] == pages[3] && pages[4] == pages[6] &&
                    pages[5] == pages[6]);
        }
    }

    void unreadableManualShowsAnEmptyView_data() {
        QTest::addColumn<QByteArray>("content");  // null for no file at all
        QTest::newRow("missing file") << QByteArray();
        QTest::newRow("not a PDF") << QByteArray("Quillometer manual\n");
        QTest::newRow("cut-off PDF") << QByteArray("%PDF-1.7\n1 0 obj\n<< /Type /Catalog");
    }

    void unreadableManualShowsAnEmptyView() {
        QFETCH(QByteArray, content);
        QTemporaryFile file;
        QVERIFY(file.open() && file.write(content) >= 0 && file.flush());
        HelpView view(file.fileName() + QString::fromLatin1(content.isNull() ? ".missing" : ""));
        QVERIFY(shown(view, QSize(500, 700)));
        QCOMPARE(view.pdfKitView()->document(), nullptr);
        for (const char* control : {"previousPage", "nextPage", "pageIndicator"})
            QVERIFY2(!view.findChild<QWidget*>(control)->isEnabled(), control);
        QVERIFY(picture(*view.pdfKitView()).page.isEmpty());  // only grey where a page would be
        if (content.isNull()) test::saveScreenshot(view, QStringLiteral("help_window_no_manual"));
    }
};

}  // namespace quill::ui

QTEST_MAIN(quill::ui::HelpViewTest)
#include "help_view_test.moc"
