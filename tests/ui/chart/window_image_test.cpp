#include "ui/chart/window_image.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "tests/support.h"
#include "ui/chart/chart_view.h"
#include "ui/plot/plot_view.h"

namespace quill::ui {

class WindowImageTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        QVERIFY(dir_.isValid());
        model_ = std::make_unique<Quillstat>();
        StatLine line;
        line.entry = test::entry(1715954607, 5120, "/logs/Persist/0001",
                                 {{"kernel_task", 3 << 20}, {"logd", 1 << 20}, {"Mail", 1 << 19}});
        model_->selectStat(line);
        chart_ = std::make_unique<ChartView>(*model_);
        chart_->resize(640, 420);
        chart_->show();
        QVERIFY(QTest::qWaitForWindowExposed(chart_.get()));
    }
    void cleanup() { chart_.reset(); }

    void pngShowsWhatTheWindowShows() {
        const QString path = dir_.filePath(QStringLiteral("chart.png"));
        QCOMPARE(saveWidgetImage(*chart_, path, ImageFormat::Png, button(*chart_)), QString());
        QImage saved(path);
        QImage shown = chart_->grab().toImage().convertToFormat(saved.format());
        QCOMPARE(saved.size(), shown.size());
        // Pixel for pixel, all but the button, which is left blank.
        const QRect left(button(*chart_)->mapTo(chart_.get(), QPoint()), button(*chart_)->size());
        int differing = 0;
        int inked = 0;
        for (int y = 0; y < saved.height(); ++y) {
            for (int x = 0; x < saved.width(); ++x) {
                if (left.contains(x, y)) continue;
                differing += saved.pixel(x, y) != shown.pixel(x, y) ? 1 : 0;
                inked += saved.pixel(x, y) != saved.pixel(0, 0) ? 1 : 0;
            }
        }
        QCOMPARE(differing, 0);
        QVERIFY(inked > 1000);
        QCOMPARE(saved.pixel(left.center()), saved.pixel(0, 0));
    }

    void svgIsAValidDrawingOfTheWindow() {
        const QString path = dir_.filePath(QStringLiteral("chart.svg"));
        QCOMPARE(saveWidgetImage(*chart_, path, ImageFormat::Svg, button(*chart_)), QString());
        QSvgRenderer svg(path);
        QVERIFY(svg.isValid());
        QCOMPARE(svg.viewBoxF(), QRectF(QPointF(), chart_->size()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        // The header's text and the process names are drawn as text; the button is not.
        for (const char* shown : {"5 KB total size", "kernel_task", "logd"})
            QVERIFY2(text.contains(shown), shown);
        QVERIFY(!text.contains("Save Image"));
    }

    void plotWindowSavesItsPoints() {
        QVERIFY(test::loadBytes(*model_,
                                test::statLine(1709596800, 4096, "/s/Persist/1",
                                               {{"a", 2048}, {"b", 1024}, {"c", 512}}) +
                                    "\n",
                                "points.jsonl")
                    .status == LoadStatus::Loaded);
        PlotView plot(*model_);
        plot.resize(800, 700);
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        QTRY_VERIFY(plot.pointsUpToDate());
        const QString png = dir_.filePath(QStringLiteral("plot.png"));
        const QString svg = dir_.filePath(QStringLiteral("plot.svg"));
        QCOMPARE(saveWidgetImage(plot, png, ImageFormat::Png), QString());
        QCOMPARE(saveWidgetImage(plot, svg, ImageFormat::Svg), QString());
        QCOMPARE(QImage(png).size(), plot.size() * plot.devicePixelRatio());
        QVERIFY(QSvgRenderer(svg).isValid());
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        // The dots come as one image per chart, beside the axes' text.
        const QByteArray text = file.readAll();
        QVERIFY(text.count("<image") >= 3 && text.contains("Persist (KB)"));
    }

    void failuresSaySoAndLeaveFilesAlone() {
        const QString missing = dir_.filePath(QStringLiteral("no such folder/chart.png"));
        const QString error = saveWidgetImage(*chart_, missing, ImageFormat::Png);
        QVERIFY2(error.contains(QStringLiteral("chart.png")), qPrintable(error));
        QVERIFY(!QFile::exists(missing));
        // An existing file is replaced whole.
        const QString existing = dir_.filePath(QStringLiteral("old.svg"));
        QFile old(existing);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("not an image") > 0);
        old.close();
        QCOMPARE(saveWidgetImage(*chart_, existing, ImageFormat::Svg), QString());
        QVERIFY(QSvgRenderer(existing).isValid());
    }

    void commandsAskForAFileWithoutBlocking() {
        QStringList texts;
        for (const QAction* action : button(*chart_)->menu()->actions()) texts << action->text();
        QCOMPARE(texts, (QStringList{"Save as PNG\u2026", "Save as SVG\u2026"}));
        QWidget* content = button(*chart_)->parentWidget();
        QCOMPARE(content->contextMenuPolicy(), Qt::ActionsContextMenu);
        QCOMPARE(content->actions().size(), 2);

        const QString path = dir_.filePath(QStringLiteral("asked.svg"));
        content->actions().at(1)->trigger();
        QFileDialog* dialog = openDialog();
        // Offered under the charted file's name.
        QVERIFY(dialog->selectedFiles().value(0).endsWith(QStringLiteral("/0001-chart.svg")));
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();
        QTRY_VERIFY(QSvgRenderer(path).isValid());

        // A file that cannot be written is reported, not passed over in silence.
        content->actions().at(0)->trigger();
        dialog = openDialog();
        dialog->selectFile(dir_.filePath(QStringLiteral("gone/asked.png")));
        static_cast<QDialog*>(dialog)->accept();
        QMessageBox* box = nullptr;
        QTRY_VERIFY((box = content->findChild<QMessageBox*>(QStringLiteral("imageSaveFailure"))));
        QVERIFY(box->isVisible() && box->text().contains(QStringLiteral("asked.png")));
        box->close();
    }

    void theButtonLeavesTheHeaderWholeAtTheLeastSize() {
        // A header as wide as they come: a total of millions of KB.
        StatLine line;
        line.entry = test::entry(1715954607, 3LL << 30, "/logs/Persist/0002", {{"logd", 1 << 20}});
        model_->selectStat(line);
        QCoreApplication::processEvents();
        chart_->resize(chart_->minimumSize());
        QCoreApplication::processEvents();
        QVERIFY(button(*chart_)->isVisible());
        for (const char* name : {"dateText", "sizeText"}) {
            const auto* label = chart_->findChild<QLabel*>(QLatin1String(name));
            QVERIFY2(label->width() >= label->sizeHint().width(), name);
        }
    }

private:
    static QToolButton* button(QWidget& window) {
        return window.findChild<QToolButton*>(QStringLiteral("saveImageButton"));
    }

    QFileDialog* openDialog() {
        QFileDialog* dialog = nullptr;
        for (QFileDialog* found : chart_->findChildren<QFileDialog*>()) {
            if (found->isVisible()) dialog = found;
        }
        if (!dialog) qFatal("no file dialog shown");
        // Nothing waits for it: the window stays usable while the dialog is open.
        if (dialog->isModal()) qFatal("the file dialog blocks its window");
        return dialog;
    }

    QTemporaryDir dir_;
    std::unique_ptr<Quillstat> model_;
    std::unique_ptr<ChartView> chart_;
};

}  // namespace quill::ui

QTEST_MAIN(quill::ui::WindowImageTest)
#include "window_image_test.moc"
