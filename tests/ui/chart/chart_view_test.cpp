#include "ui/chart/chart_view.h"

#include <QAbstractBarSeries>
#include <QAction>
#include <QApplication>
#include <QBarSet>
#include <QChartView>
#include <QFile>
#include <QFileDialog>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QSlider>
#include <QSvgRenderer>
#include <QTest>
#include <QTextDocumentFragment>
#include <QToolTip>
#include <QValueAxis>

#include "tests/support.h"
#include "tests/ui/common/screenshot.h"
#include "ui/chart/window_image.h"

namespace quill {
namespace {

/// "p<first>:<first> ... p<last>:<last>": process k holding k KB, so a bar tells its number.
QString numbered(int first, int last) {
    QStringList columns;
    for (int k = first; k <= last; ++k) columns << QStringLiteral("p%1:%1").arg(k);
    return columns.join(' ');
}

/// A shown chart window over a model of its own.
struct Charted {
    Quillstat model;
    ui::ChartView view{model};

    Charted() { view.show(); }

    /// Charts a record whose processes are written "name:KB name:KB ...", as columns() reads.
    void select(long long bytes, const std::string& file, const QString& processes = {}) {
        std::vector<test::Proc> list;
        for (const QString& p : processes.split(' ', Qt::SkipEmptyParts))
            list.push_back(
                {p.section(':', 0, -2).toStdString(), p.section(':', -1).toLongLong() * 1024});
        StatLine line;
        line.entry = test::entry(1715954607, bytes, file, list);  // 2024-05-17 14:03:27 UTC
        model.selectStat(line);
        QCoreApplication::processEvents();
    }

    template <typename T = QWidget>
    T* child(const QString& name) {
        if (T* found = view.findChild<T*>(name)) return found;
        qFatal("no child named %s", qPrintable(name));
    }

    void slide(int start, int width) {
        child<QSlider>("startSlider")->setValue(start);
        child<QSlider>("widthSlider")->setValue(width);
    }

    QChart* chart() { return child<QChartView>("barChart")->chart(); }
    QWidget* button() { return child("saveImageButton"); }

    /// What the chart draws, "name:bottom+...+top" per column, sizes in KB, each column named
    /// by its tooltip.
    QString columns() {
        auto* series = qobject_cast<QAbstractBarSeries*>(chart()->series().value(0));
        if (chart()->series().size() != 1 || !series) qFatal("expected one bar series");
        const int count = series->barSets().isEmpty() ? 0 : int(series->barSets()[0]->count());
        QStringList result;
        for (int i = 0; i < count; ++i) {
            QStringList stack;
            for (const QBarSet* set : series->barSets())
                if (set->at(i) != 0) stack << QString::number(set->at(i));
            result << labelTip(i, count) + ':' + stack.join('+');
        }
        return result.join(' ');
    }

    /// The labels drawn along the axis, left to right or bottom to top, without its title.
    QStringList drawnLabels(Qt::Orientation orientation) {
        const QString title = chart()->axes(orientation).value(0)->titleText();
        const QRectF plot = chart()->plotArea();
        QMultiMap<qreal, QString> labels;
        for (QGraphicsItem* item : chart()->scene()->items()) {
            auto* label = dynamic_cast<QGraphicsTextItem*>(item);
            if (!label || !label->isVisible() ||
                label->toPlainText().remove(QChar(0x200B)).isEmpty() ||
                label->toPlainText() == title)
                continue;
            const QPointF at = label->sceneBoundingRect().center();
            if (orientation == Qt::Horizontal && at.y() > plot.bottom() && at.x() > plot.left())
                labels.insert(at.x(), label->toPlainText());
            if (orientation == Qt::Vertical && at.x() < plot.left())
                labels.insert(-at.y(), label->toPlainText());
        }
        return labels.values();
    }

    /// The tooltip below the plot over column `index` of `count`, where its label is.
    QString labelTip(int index, int count) {
        auto* chartView = child<QChartView>("barChart");
        const QRectF plot = chart()->plotArea();
        const QPointF at(plot.left() + (index + 0.5) * plot.width() / count, plot.bottom() + 6);
        const QPoint pos = chartView->mapFromScene(chart()->mapToScene(at));
        QHelpEvent event(QEvent::ToolTip, pos, chartView->viewport()->mapToGlobal(pos));
        QCoreApplication::sendEvent(chartView->viewport(), &event);
        return QTextDocumentFragment::fromHtml(QToolTip::text()).toPlainText();
    }
};

}  // namespace

class ChartViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void followsTheChartedRecord() {
        Charted c;
        QVERIFY(std::ranges::none_of(c.view.findChildren<QWidget*>(), &QWidget::isVisible));
        c.select(1 << 20, "first.jsonl", numbered(1, 30));
        // Another record keeps the sliders, so process numbers 3 to 9; rows named alike stack.
        c.slide(3, 7);
        c.select(3072, "second.jsonl",
                 "a:1 b:1 /usr/bin/x:2 y:5 /usr/libexec/x:3 x:1 z:4 w:1 w:1 c:1");
        QCOMPARE(c.columns(), QStringLiteral("x:2+3+1 y:5 z:4 w:1+1"));
        // A bar's tip names its own row of the stack, and the row's process number, on one line.
        auto* series = qobject_cast<QAbstractBarSeries*>(c.chart()->series().value(0));
        Q_EMIT series->hovered(true, 0, series->barSets().at(1));
        QCOMPARE(QTextDocumentFragment::fromHtml(QToolTip::text()).toPlainText(),
                 QStringLiteral("/usr/libexec/x: 3 KB, process 5"));
        for (const QWidget* tip : QApplication::topLevelWidgets())
            if (tip->inherits("QTipLabel"))
                QVERIFY(tip->height() < 2 * tip->fontMetrics().height());
        auto* axis = qobject_cast<QValueAxis*>(c.chart()->axes(Qt::Vertical).value(0));
        QVERIFY(axis->min() <= 0 && axis->max() >= 6);

        c.model.setSelectedStat(std::nullopt);
        QCoreApplication::processEvents();
        QVERIFY(std::ranges::none_of(c.view.findChildren<QWidget*>(), &QWidget::isVisible));
    }

    void showsTheRecord_data() {
        QTest::addColumn<long long>("totalBytes");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("processes");
        QTest::addColumn<QPoint>("sliders");  // start and width; none: as opened
        QTest::addColumn<QString>("sizeText");
        QTest::addColumn<QString>("drawn");
        QTest::newRow("as opened, a name like markup")
            << 5120LL << "<b>x</b> &" << 30 << QPoint() << "5 KB total size " << numbered(1, 12);
        // Kilobytes truncate toward zero.
        QTest::newRow("negative, no name, sliders at the start")
            << -1025LL << "" << 30 << QPoint(1, 1) << "-1 KB total size " << numbered(1, 6);
        QTest::newRow("the most, sliders past the end")
            << 9223372036854775807LL << "d" << 70 << QPoint(99, 99)
            << "9007199254740991 KB total size " << numbered(40, 64);
        QTest::newRow("start past the last")
            << 5120LL << "e" << 30 << QPoint(31, 12) << "5 KB total size " << QString();
    }
    void showsTheRecord() {
        QFETCH(long long, totalBytes);
        QFETCH(QString, file);
        QFETCH(int, processes);
        QFETCH(QPoint, sliders);
        Charted c;
        c.select(totalBytes, file.toStdString(), numbered(1, processes));
        if (!sliders.isNull()) c.slide(sliders.x(), sliders.y());
        QCOMPARE(c.view.windowTitle(), file);
        for (const QString name : {"start", "width"})  // each label says where its slider is
            QCOMPARE(c.child<QLabel>(name + "Label")->text().section(": ", 1).toInt(),
                     c.child<QSlider>(name + "Slider")->value());
        QTEST(c.child<QLabel>("sizeText")->text(), "sizeText");
        QTEST(c.columns(), "drawn");
        // Where no bar is drawn, no label names a process.
        QCoreApplication::processEvents();
        if (c.columns().isEmpty()) QCOMPARE(c.drawnLabels(Qt::Horizontal), QStringList());
    }

    void axesStayLegible_data() {
        QTest::addColumn<QSize>("size");  // empty: as the window opens
        QTest::addColumn<QString>("processes");
        const QString twelve =
            "logd:3727 Mail:12 trustd:1777 Finder:88 sharingd:2388 cfprefsd:31 locationd:372 "
            "bluetoothd:154 kernel_task:2034 WindowServer:204 mDNSResponder:287 runningboardd:95";
        const QString twentyFive = twelve + ' ' + numbered(13, 25);
        QTest::newRow("as opened") << QSize() << twelve;
        QTest::newRow("minimum") << QSize(400, 200) << twelve;
        QTest::newRow("small, 25 bars") << QSize(600, 380) << twentyFive;
        QTest::newRow("minimum, 25 bars") << QSize(400, 200) << twentyFive;
    }
    void axesStayLegible() {
        QFETCH(QSize, size);
        QFETCH(QString, processes);
        const QStringList names =
            processes.split(' ').replaceInStrings(QRegularExpression(":.*"), "");
        Charted c;
        c.select(3LL << 30, "/private/var/db/diagnostics/Persist/0000000000001a23.tracev3",
                 processes);
        c.slide(1, int(names.size()));
        if (size.isValid()) c.view.resize(size);
        QCoreApplication::processEvents();
        test::saveScreenshot(c.view, QString::asprintf("chart-%dx%d-%d-bars", c.view.width(),
                                                       c.view.height(), int(names.size())));
        QVERIFY(c.view.screen()->availableGeometry().contains(c.view.frameGeometry()));
        // The header, millions of KB wide, stays whole beside the image button.
        QVERIFY(c.button()->isVisible());
        for (const char* name : {"dateText", "sizeText"})
            QVERIFY2(c.child(name)->width() >= c.child(name)->sizeHint().width(), name);

        // Nothing cut to "...", the titles neither: the labels are whole or shortened by the
        // view with "…", and named whole in their tooltips. Where not every column's name
        // fits, every second or third column is named, never none.
        for (const QAbstractAxis* axis : c.chart()->axes())
            QVERIFY(!axis->labelsVisible() || !axis->labelsTruncated());
        QVERIFY(c.drawnLabels(Qt::Vertical).size() >= 2);
        const QStringList drawn = c.drawnLabels(Qt::Horizontal);
        if (!size.isValid()) QCOMPARE(drawn, names);
        QVERIFY(!drawn.isEmpty());
        qsizetype step = 1;
        while (step < names.size() &&
               (names.size() - 1 - (step - 1) / 2) / step + 1 != drawn.size())
            ++step;
        for (qsizetype i = 0; i < drawn.size(); ++i) {
            const QString name = names[i * step + (step - 1) / 2];
            const QString label = QString(drawn[i]).remove(QChar(0x200B));
            const bool shortened = label.size() >= 3 && label.endsWith(QChar(0x2026)) &&
                                   name.startsWith(label.chopped(1));
            QVERIFY2(label == name || shortened, qPrintable(label));
        }
        for (int i = 0; i < names.size(); ++i) QCOMPARE(c.labelTip(i, int(names.size())), names[i]);
    }

    void savesWhatTheWindowShows() {
        Charted c;
        c.select(5120, "/logs/Persist/0001", "kernel_task:3072 logd:1024 Mail:512");
        QVERIFY(QTest::qWaitForWindowExposed(&c.view));
        // The commands ask for a file, in a dialog that leaves the window usable, offering the
        // charted file's name. The PNG shows the window pixel for pixel, under a caption, but for
        // the rows of the sliders and the button.
        QVERIFY(answer(c, 0, path("chart.png")).endsWith(QStringLiteral("/0001-chart.png")));
        const QImage saved(path("chart.png"));
        const QImage shown = c.view.grab().toImage().convertToFormat(saved.format());
        const QWidget* controls = c.child("chartControls");
        const int top = controls->y();
        const int bottom = controls->geometry().bottom() + 1;
        const int caption = saved.height() - (shown.height() - controls->height());
        QVERIFY(caption >= c.view.fontMetrics().height());
        QCOMPARE(saved.copy(0, caption, saved.width(), top), shown.copy(0, 0, shown.width(), top));
        QCOMPARE(saved.copy(0, caption + top, saved.width(), shown.height() - bottom),
                 shown.copy(0, bottom, shown.width(), shown.height() - bottom));

        // A drawing of the same size in CSS pixels, over a file that was there before.
        const QString svg = QString::fromStdString(dir_.write("chart.svg", "not an image"));
        answer(c, 1, svg);
        QCOMPARE(QSvgRenderer(svg).viewBoxF(), QRectF(QPointF(), saved.size()));
        // The header's text, the process names and the caption, also the drawing's description,
        // are drawn as text; the sliders and the button are not.
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        for (const char* drawn : {"5 KB total size", "kernel_task", "logd"})
            QVERIFY2(text.contains(drawn), drawn);
        QCOMPARE(text.count(">/logs/Persist/0001<"), 3);  // the title too
        QVERIFY(text.contains("<desc>/logs/Persist/0001</desc>"));
        for (const char* left : {"Save Image", "Start:", "Width:"}) QVERIFY(!text.contains(left));

        // A file that cannot be written is reported, not passed over in silence.
        answer(c, 1, path("gone/asked.svg"));
        const auto* box = c.view.findChild<QMessageBox*>(QStringLiteral("imageSaveFailure"));
        QVERIFY(box && box->isVisible() && box->text().contains(QStringLiteral("asked.svg")));
    }

private:
    QString path(const char* name) const {
        return QString::fromStdString((dir_.path() / name).string());
    }

    /// Takes the window's image command `index` and answers its dialog with `file`; returns the
    /// file the dialog offered first.
    static QString answer(Charted& c, int index, const QString& file) {
        c.child("chartContent")->actions().at(index)->trigger();
        auto* dialog = c.view.findChild<QFileDialog*>();
        if (!dialog || !dialog->isVisible() || dialog->isModal()) qFatal("no modeless dialog");
        const QString offered = dialog->selectedFiles().value(0);
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
        dialog->selectFile(file);
        static_cast<QDialog*>(dialog)->accept();
        delete dialog;
        return offered;
    }

    test::TempDir dir_;
};

}  // namespace quill

QTEST_MAIN(quill::ChartViewTest)
#include "chart_view_test.moc"
