#include "ui/help/help_view.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfSelection>
#include <QPdfView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "tests/ui/common/screenshot.h"
#include "ui/help/pdfkit_view.h"

namespace quill::ui {

namespace {

const QString kExampleRecord = QStringLiteral(
    R"({"unixTime":1717488428,"totalBytes":8932365,"processList":[{"process":"/usr/libexec/logd",)"
    R"("sizeBytes":3816887}],"type":"logdata.statistics.1.json","record":"statistics",)"
    R"("file":"/private/var/db/diagnostics/Persist/0000000000001a21.tracev3"})");

QString withoutSpaces(const QString& text) {
    QString result;
    for (const QChar c : text)
        if (!c.isSpace()) result.append(c);
    return result;
}

QString pageText(QPdfDocument& document, int page) {
    return withoutSpaces(document.getAllText(page).text());
}

QLabel* indicator(const QWidget& view) {
    return view.findChild<QLabel*>(QStringLiteral("pageIndicator"));
}

QToolButton* pageButton(const QWidget& view, const char* name) {
    return view.findChild<QToolButton*>(QString::fromLatin1(name));
}

QString pageLabel(int page, int count) {
    return QStringLiteral("Page %1 of %2").arg(page).arg(count);
}

/// The part of the view's picture that is not the grey around the page: the page itself.
QRect pageArea(const QImage& image, QRgb background) {
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) area |= QRect(x, y, 1, 1);
    return area;
}

QImage viewportPicture(const PDFKitView& kit) {
    return kit.pdfView()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRgb backgroundOf(const PDFKitView& kit) {
    return kit.pdfView()->palette().color(QPalette::Dark).rgb();
}

/// Whether the page shows rendered content yet rather than the blank it starts as.
bool pageHasInk(const PDFKitView& kit) {
    const QImage image = viewportPicture(kit);
    const QRect page = pageArea(image, backgroundOf(kit));
    int dark = 0;
    for (int y = page.top(); y <= page.bottom(); ++y)
        for (int x = page.left(); x <= page.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128) ++dark;
    return dark > 50;
}

std::unique_ptr<HelpView> shownHelp(const QString& path, QSize size) {
    auto view = std::make_unique<HelpView>(path);
    view->resize(size);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get())) return nullptr;
    return view;
}

}  // namespace

class HelpViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void manualIsCompiledIn();
    void manualShowsTheExampleRecordWholeAndNumbersItsPages();
    void opensAtTheFirstPageFittedToTheWindow();
    void pageKeysTurnPages_data();
    void pageKeysTurnPages();
    void buttonsTurnPagesAndStopAtTheEnds();
    void unreadableManualShowsAnEmptyView_data();
    void unreadableManualShowsAnEmptyView();
    void resizingRefitsThePage_data();
    void resizingRefitsThePage();
};

void HelpViewTest::manualIsCompiledIn() {
    QCOMPARE(defaultManualPath(), QStringLiteral(":/QuillometerHelp.pdf"));
    QVERIFY(QFile::exists(defaultManualPath()));
    QPdfDocument document;
    QCOMPARE(document.load(defaultManualPath()), QPdfDocument::Error::None);
    QCOMPARE(document.status(), QPdfDocument::Status::Ready);
    QVERIFY2(document.pageCount() >= 2, qPrintable(QString::number(document.pageCount())));

    HelpView view;
    QCOMPARE(view.pdfPath(), defaultManualPath());
    QVERIFY(view.pdfKitView()->document() != nullptr);
    QCOMPARE(view.pdfKitView()->pageCount(), document.pageCount());
}

void HelpViewTest::manualShowsTheExampleRecordWholeAndNumbersItsPages() {
    QPdfDocument document;
    QCOMPARE(document.load(defaultManualPath()), QPdfDocument::Error::None);
    QString all;
    const int count = document.pageCount();
    for (int page = 0; page < count; ++page) {
        const QString text = pageText(document, page);
        QVERIFY2(text.contains(withoutSpaces(pageLabel(page + 1, count))),
                 qPrintable(QStringLiteral("no page number on page %1").arg(page + 1)));
        all += text;
    }
    // Wrapped over lines, but every character of the record is on the page.
    QVERIFY(all.contains(kExampleRecord));
    for (const char* shortcut : {"Ctrl+O", "Ctrl+G", "PageDown", "PageUp", "Home", "End"})
        QVERIFY2(all.contains(QString::fromLatin1(shortcut)), shortcut);
}

void HelpViewTest::opensAtTheFirstPageFittedToTheWindow() {
    const auto view = shownHelp(defaultManualPath(), QSize(700, 900));
    QVERIFY(view);
    PDFKitView& kit = *view->pdfKitView();
    QCOMPARE(kit.pdfView()->document(), kit.document());
    QCOMPARE(kit.pdfView()->zoomMode(), QPdfView::ZoomMode::FitInView);
    QCOMPARE(kit.pdfView()->pageMode(), QPdfView::PageMode::SinglePage);
    QCOMPARE(kit.currentPage(), 0);
    QCOMPARE(indicator(*view)->text(), pageLabel(1, kit.pageCount()));
    QVERIFY(!pageButton(*view, "previousPage")->isEnabled());
    QVERIFY(pageButton(*view, "nextPage")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(pageHasInk(kit), 10000);
    test::saveScreenshot(*view, QStringLiteral("help_window"));
}

void HelpViewTest::pageKeysTurnPages_data() {
    // Pages counted from 1; 0 stands for the last page, -1 for the one before it.
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("expected");
    QTest::newRow("Page Down turns to the next page") << QList<int>{Qt::Key_PageDown} << 2;
    QTest::newRow("Page Down twice") << QList<int>{Qt::Key_PageDown, Qt::Key_PageDown} << 3;
    QTest::newRow("Page Up stops at the first page") << QList<int>{Qt::Key_PageUp} << 1;
    QTest::newRow("End turns to the last page") << QList<int>{Qt::Key_End} << 0;
    QTest::newRow("Page Down stops at the last page")
        << QList<int>{Qt::Key_End, Qt::Key_PageDown} << 0;
    QTest::newRow("Page Up turns back") << QList<int>{Qt::Key_End, Qt::Key_PageUp} << -1;
    QTest::newRow("Home returns to the first page")
        << QList<int>{Qt::Key_PageDown, Qt::Key_End, Qt::Key_Home} << 1;
}

void HelpViewTest::pageKeysTurnPages() {
    QFETCH(QList<int>, keys);
    QFETCH(int, expected);
    const auto view = shownHelp(defaultManualPath(), QSize(500, 700));
    QVERIFY(view);
    view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(view.get()));
    const int count = view->pdfKitView()->pageCount();
    QVERIFY(count >= 3);
    const int page = expected > 0 ? expected : count + expected;

    // Keys reach the page where the window puts the focus, and also from a button that took
    // the focus by Tab.
    QWidget* focused = QApplication::focusWidget();
    QVERIFY(focused != nullptr);
    for (QWidget* target : {focused, static_cast<QWidget*>(pageButton(*view, "nextPage"))}) {
        view->pdfKitView()->showPage(0);
        for (const int key : keys) QTest::keyClick(target, static_cast<Qt::Key>(key));
        QCOMPARE(view->pdfKitView()->currentPage(), page - 1);
        QCOMPARE(view->pdfKitView()->pdfView()->pageNavigator()->currentPage(), page - 1);
        QCOMPARE(indicator(*view)->text(), pageLabel(page, count));
    }
}

void HelpViewTest::buttonsTurnPagesAndStopAtTheEnds() {
    const auto view = shownHelp(defaultManualPath(), QSize(500, 700));
    QVERIFY(view);
    QToolButton* previous = pageButton(*view, "previousPage");
    QToolButton* next = pageButton(*view, "nextPage");
    const int count = view->pdfKitView()->pageCount();

    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(indicator(*view)->text(), pageLabel(2, count));
    QVERIFY(previous->isEnabled());
    QTest::mouseClick(previous, Qt::LeftButton);
    QCOMPARE(indicator(*view)->text(), pageLabel(1, count));
    QVERIFY(!previous->isEnabled());

    for (int page = 1; page < count; ++page) QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(view->pdfKitView()->currentPage(), count - 1);
    QCOMPARE(indicator(*view)->text(), pageLabel(count, count));
    QVERIFY(!next->isEnabled());
    QVERIFY(previous->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(pageHasInk(*view->pdfKitView()), 10000);
    test::saveScreenshot(*view, QStringLiteral("help_window_last_page"));
}

void HelpViewTest::unreadableManualShowsAnEmptyView_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QFile manual(defaultManualPath());
    QVERIFY(manual.open(QIODevice::ReadOnly));
    QTest::newRow("missing file") << QByteArray() << false;
    QTest::newRow("empty file") << QByteArray() << true;
    QTest::newRow("not a PDF") << QByteArray("Quillometer manual\n") << true;
    QTest::newRow("cut-off PDF") << manual.read(600) << true;
}

void HelpViewTest::unreadableManualShowsAnEmptyView() {
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("QuillometerHelp.pdf"));
    if (exists) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    const auto view = shownHelp(path, QSize(500, 700));
    QVERIFY(view);
    PDFKitView& kit = *view->pdfKitView();
    QCOMPARE(kit.document(), nullptr);
    QCOMPARE(kit.pdfView()->document(), nullptr);
    QCOMPARE(kit.pageCount(), 0);
    QVERIFY(!pageButton(*view, "previousPage")->isEnabled());
    QVERIFY(!pageButton(*view, "nextPage")->isEnabled());
    QVERIFY(!indicator(*view)->isEnabled());
    for (const Qt::Key key : {Qt::Key_PageDown, Qt::Key_End, Qt::Key_PageUp, Qt::Key_Home})
        QTest::keyClick(kit.pdfView(), key);
    kit.showNextPage();
    QCOMPARE(kit.currentPage(), 0);
    QVERIFY(!pageButton(*view, "nextPage")->isEnabled());
    // No page at all: only the grey around where a page would be.
    QVERIFY(pageArea(viewportPicture(kit), backgroundOf(kit)).isEmpty());
    if (QTest::currentDataTag() == QByteArray("missing file"))
        test::saveScreenshot(*view, QStringLiteral("help_window_no_manual"));
}

void HelpViewTest::resizingRefitsThePage_data() {
    QTest::addColumn<QSize>("first");
    QTest::addColumn<QSize>("second");
    QTest::newRow("tall to wide") << QSize(700, 900) << QSize(900, 420);
    QTest::newRow("wide to tall") << QSize(1000, 500) << QSize(360, 800);
    QTest::newRow("small to large") << QSize(300, 320) << QSize(800, 1100);
}

void HelpViewTest::resizingRefitsThePage() {
    QFETCH(QSize, first);
    QFETCH(QSize, second);
    const auto view = shownHelp(defaultManualPath(), first);
    QVERIFY(view);
    const PDFKitView& kit = *view->pdfKitView();
    for (const QSize size : {first, second}) {
        view->resize(size);
        QTRY_COMPARE(view->size(), size);
        QCOMPARE(kit.pdfView()->zoomMode(), QPdfView::ZoomMode::FitInView);
        const QImage picture = viewportPicture(kit);
        const QRect page = pageArea(picture, backgroundOf(kit));
        const QString where = QStringLiteral("page %1,%2 %3x%4 in %5x%6")
                                  .arg(page.x())
                                  .arg(page.y())
                                  .arg(page.width())
                                  .arg(page.height())
                                  .arg(picture.width())
                                  .arg(picture.height());
        // Wholly inside the view, touching it on two opposite sides, an A4 page's shape.
        QVERIFY2(picture.rect().contains(page) && page.top() > 0 && page.left() > 0 &&
                     page.bottom() < picture.height() - 1 && page.right() < picture.width() - 1,
                 qPrintable(where));
        const bool fillsWidth = page.width() >= picture.width() - 20;
        const bool fillsHeight = page.height() >= picture.height() - 20;
        QVERIFY2(fillsWidth || fillsHeight, qPrintable(where));
        QVERIFY2(qAbs(double(page.height()) / page.width() - 297.0 / 210.0) < 0.02,
                 qPrintable(where));
    }
}

}  // namespace quill::ui

QTEST_MAIN(quill::ui::HelpViewTest)
#include "help_view_test.moc"
