#include "ui/help/help_view.h"

#include <QImage>
#include <QLabel>
#include <QPdfView>
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

bool shown(HelpView& view, QSize size) {
    view.resize(size);
    view.show();
    return QTest::qWaitForWindowExposed(&view);
}

}  // namespace

class HelpViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void manualOpensAtTheFirstPageFittedToTheWindow() {
        HelpView view;
        QVERIFY(shown(view, QSize(700, 900)));
        PDFKitView& kit = *view.pdfKitView();
        QVERIFY2(kit.document() != nullptr && kit.pageCount() >= 2, "the manual did not load");
        QCOMPARE(kit.currentPage(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(picture(kit).ink > 50, 10000);
        test::saveScreenshot(view, QStringLiteral("help_window"));
        kit.showPage(kit.pageCount() - 1);
        QTRY_VERIFY_WITH_TIMEOUT(picture(kit).ink > 50, 10000);
        test::saveScreenshot(view, QStringLiteral("help_window_last_page"));
        // Whatever the window's shape, the page stays whole inside it, reaching across it one
        // way, in an A4 page's proportions.
        for (const QSize size : {QSize(900, 420), QSize(360, 800), QSize(300, 320)}) {
            view.resize(size);
            QTRY_COMPARE(view.size(), size);
            const Picture p = picture(kit);
            QVERIFY(p.shot.rect().adjusted(1, 1, -1, -1).contains(p.page));
            QVERIFY(qMax(p.page.width() - p.shot.width(), p.page.height() - p.shot.height()) > -20);
            QCOMPARE_LT(qAbs(double(p.page.height()) / p.page.width() - 297.0 / 210.0), 0.02);
        }
    }

    void pageKeysTurnPages_data() {
        // Pages count from 1; 0 stands for the last page, -1 for the one before it.
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("expected");
        QTest::newRow("PageDown") << QList<int>{Qt::Key_PageDown} << 2;
        QTest::newRow("PageDown at the end") << QList<int>{Qt::Key_End, Qt::Key_PageDown} << 0;
        QTest::newRow("PageUp from the end") << QList<int>{Qt::Key_End, Qt::Key_PageUp} << -1;
        QTest::newRow("Home, PageUp") << QList<int>{Qt::Key_End, Qt::Key_Home, Qt::Key_PageUp} << 1;
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
