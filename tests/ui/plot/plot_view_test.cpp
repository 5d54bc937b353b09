#include "ui/plot/plot_view.h"

#include <QDateTimeAxis>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QScatterSeries>
#include <QSet>
#include <QTest>
#include <QValueAxis>
#include <cmath>
#include <memory>
#include <optional>

#include "tests/support.h"
#include "tests/ui/common/screenshot.h"
#include "ui/plot/point_chart.h"

namespace quill::ui {

class PlotViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        view_.reset();
        model_ = std::make_unique<Quillstat>();
        view_ = std::make_unique<PlotView>(*model_);
        view_->resize(900, 960);
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
        QTRY_VERIFY(view_->pointsUpToDate());
    }

    void opensEmptyThenShowsTheLoadedFile() {
        QCOMPARE(view_->windowTitle(), QStringLiteral("Log data: "));
        test::saveScreenshot(*view_, QStringLiteral("plot_view_empty"));
        for (const QString& key : kKeys)
            QVERIFY(part(key + "Block")->isVisible() && headerDate(key).isNull() &&
                    chart(key).points().empty());

        // Two Persist lines, 30 s before and after 2024-03-05 13:07:09 UTC (1709644029).
        test::ScopedTimeZone paris("Europe/Paris");
        const std::vector<test::Proc> processes{{"a", 4096}, {"b", 8192}, {"c", 2048}};
        load(test::statLine(1709643999, 14336, "/store/Persist/1", processes) + "\n" +
                 test::statLine(1709644059, 28672, "/store/Persist/1", processes) + "\n",
             "a second  file %1.jsonl");
        // Halfway between the points, where none lies; a pixel is well under a second here.
        hover("rate", 0, 1709644029.5);
        QCOMPARE(headerDate("rate"), QStringLiteral("14:07:09+0100 2024-03-05"));
    }

    void togglesHideBlocksWithoutLeavingGaps_data() {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("shown");
        QTest::newRow("all shown") << QStringList{} << "rate persist special";
        QTest::newRow("Persist off") << QStringList{"Persist"} << "rate special";
        QTest::newRow("Rate off") << QStringList{"Rate"} << "persist special";
        QTest::newRow("Special off") << QStringList{"Special"} << "rate persist";
        QTest::newRow("all off") << QStringList{"Rate", "Persist", "Special"} << "";
        QTest::newRow("off and on") << QStringList{"Rate", "Special", "Rate"} << "rate persist";
    }
    void togglesHideBlocksWithoutLeavingGaps() {
        QFETCH(QStringList, clicks);
        QFETCH(QString, shown);
        load(realisticFile(60));
        for (const QString& name : clicks) QTest::mouseClick(part("show" + name), Qt::LeftButton);
        QCoreApplication::processEvents();
        // Each shown block lies right below the one before it: nothing hidden keeps its room.
        int bottom = part("toggleRow")->geometry().bottom();
        for (const QString& key : kKeys) {
            const QWidget* block = part(key + "Block");
            QCOMPARE(block->isVisible(), shown.split(' ').contains(key));
            if (!block->isVisible()) continue;
            QVERIFY2(block->y() > bottom && block->y() <= bottom + 20, qPrintable(key));
            bottom = block->geometry().bottom();
        }
    }

    void pickedMomentsStayWithTheirCharts() {
        load(realisticFile(300));
        hover("persist");
        const QString persistDate = headerDate("persist");
        hover("rate", -150);
        const QString rateDate = headerDate("rate");
        hover("rate", 150);
        QVERIFY(!persistDate.isEmpty() && !rateDate.isEmpty() && headerDate("rate") != rateDate);
        QCOMPARE(headerDate("persist"), persistDate);
        // Leaving the chart, or hiding and showing its block, keeps the moment.
        const QString picked = headerDate("rate");
        QTest::mouseMove(part("toggleRow"));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(chart("rate").viewport(), &leave);
        QTest::mouseClick(part("showRate"), Qt::LeftButton);
        QTest::mouseClick(part("showRate"), Qt::LeftButton);
        QCOMPARE(headerDate("rate"), picked);
    }

    void seriesAndLegends() {
        load(realisticFile(600), "store-2024-03.jsonl");
        QCOMPARE(chart("rate").points().size(), model_->ratesPoints().size());
        QCOMPARE(chart("persist").points().size(), model_->pointsPersist().size());
        QCOMPARE(chart("special").points().size(), model_->pointsSpecial().size());
        // One legend entry and colour per value.
        for (const QString title : {"Persist", "Special"}) {
            const QChart* c = chart(title.toLower()).chart();
            QStringList labels;
            QSet<QRgb> colours;
            for (QLegendMarker* marker : c->legend()->markers()) {
                labels << marker->label();
                colours << static_cast<QScatterSeries*>(marker->series())->color().rgb();
            }
            QCOMPARE(labels.join('|'), QStringLiteral("%1 1|%1 2|%1 3").arg(title));
            QVERIFY(colours.size() == 3 && c->legend()->isVisible());
            // The colours' label stands on the legend's row, before its first entry.
            const QRectF label = shownText(*c, QStringLiteral("Value"));
            const QRectF first = shownText(*c, title + " 1");
            QVERIFY(!label.isNull() && !first.isNull());
            QVERIFY(std::abs(label.center().y() - first.center().y()) < 2 &&
                    label.right() + 12 < first.left() && label.left() > 0);
        }
        QVERIFY(shownText(*chart("rate").chart(), QStringLiteral("Value")).isNull());
        for (const QString& key : kKeys) hover(key, 100);
        test::saveScreenshot(*view_, QStringLiteral("plot_view"));
    }

    // Series of very different magnitudes and signs, side by side.
    void unlikeRanges_data() {
        QTest::addColumn<QByteArray>("file");
        // Persist sizes in the millions over rates that are all 0, Special sizes in single
        // digits, from an hour before the first Persist record to an hour after the last.
        QTest::newRow("zero rates beside millions")
            << records("/Persist/1", 0, 600, 10, 0, 4'000'000) +
                   records("/Special/1", -3600, 1200, 9, 0, 8);
        // Each Persist record older than the one before: rates of minus millions, none above 0.
        QTest::newRow("negative rates") << records("/Persist/1", 0, -60, 10, 3e11, 8) +
                                               records("/Special/1", 0, 0, 1, 0, 1 << 20);
    }
    void unlikeRanges() {
        QFETCH(QByteArray, file);
        // The value axes go from their empty range to millions at once.
        load(file.toStdString());
        const QString shot = "plot_view_" + QString(QTest::currentDataTag()).replace(' ', '_');
        test::saveScreenshot(*view_, shot);
        for (const QString& key : kKeys) {
            // No label shows a sign that none of the values has.
            const PointChart& c = chart(key);
            const QString range =
                key +
                QStringLiteral(": %1 to %2").arg(c.valueAxis()->min()).arg(c.valueAxis()->max());
            if (c.points().yMin >= 0)
                QVERIFY2(c.valueAxis()->min() >= 0, qPrintable(range));
            else if (c.points().yMax <= 0)
                QVERIFY2(c.valueAxis()->max() <= 0, qPrintable(range));
        }
        // One instant lies at one x in all the charts, whatever their value labels.
        for (const QString& key : kKeys) {
            QCOMPARE(chart(key).timeAxis()->min(), chart("rate").timeAxis()->min());
            QCOMPARE(chart(key).timeAxis()->max(), chart("rate").timeAxis()->max());
        }
        QVERIFY(plotEdgesAgree());
        view_->resize(480, 900);
        QTRY_VERIFY(view_->pointsUpToDate());
        QVERIFY(plotEdgesAgree());
        for (const QString name : {"Persist", "Rate", "Persist"}) {
            QTest::mouseClick(part("show" + name), Qt::LeftButton);
            QTRY_VERIFY(view_->pointsUpToDate());
            QVERIFY(plotEdgesAgree());
        }
        test::saveScreenshot(*view_, shot + "_narrow_rate_off");
    }

private:
    inline static const QStringList kKeys{"rate", "persist", "special"};

    /// `count` records of `file`, `step` seconds apart from 2024-03-05 00:00:00 UTC plus `from`,
    /// of `totalBytes` each, with processes of `kb`, half and a quarter of it, the first growing
    /// by a tenth of `kb` a record.
    static QByteArray records(const char* file, long long from, long long step, int count,
                              double totalBytes, long long kb) {
        std::string out;
        for (long long i = 0; i < count; ++i) {
            const long long first = (kb + kb / 10 * i) << 10;
            out += test::statLine(1709596800 + from + step * i, std::llround(totalBytes), file,
                                  {{"a", first}, {"b", kb << 9}, {"c", kb << 8}}) +
                   "\n";
        }
        return QByteArray::fromStdString(out);
    }

    /// Whether the plot areas of the shown charts share their left and right edges, to within
    /// the whole pixels that their margins come in; says where they lie when they do not.
    bool plotEdgesAgree() {
        QString edges;
        std::optional<QRectF> first;
        bool agree = true;
        for (const QString& key : kKeys) {
            const PointChart& view = chart(key);
            if (!view.isVisibleTo(view_.get())) continue;
            const QRectF inScene = view.chart()->mapRectToScene(view.chart()->plotArea());
            const QRectF area = view.viewportTransform().mapRect(inScene).translated(
                view.viewport()->mapTo(view_.get(), QPoint()));
            if (!first) first = area;
            agree = agree && std::abs(area.left() - first->left()) < 1 &&
                    std::abs(area.right() - first->right()) < 1;
            edges += QStringLiteral(" %1 %2 to %3").arg(key).arg(area.left()).arg(area.right());
        }
        if (!agree) qWarning("plot areas apart:%s", qPrintable(edges));
        return agree;
    }

    /// `lines` lines minutes apart, cycling through Persist, Special and other files, each with
    /// three to six processes whose sizes drift with time, as a store's log does.
    static std::string realisticFile(int lines) {
        const char* files[] = {"/store/Persist/0x1a2b", "/store/Special/0x0c41", "/store/Other/0"};
        std::string out;
        for (int i = 0; i < lines; ++i) {
            std::vector<test::Proc> processes;
            for (int k = 0; k < 3 + i * 7 % 4; ++k) {
                const double drift = 1.5 + std::sin(i / (40.0 + 25 * k) + k) / 2 + i % 7 / 20.0;
                processes.push_back({std::to_string(k), std::llround((k + 1) * 9e5 * drift)});
            }
            const long long time = 1709596800LL + 180 * i;
            out += test::statLine(time, 400'000LL * (20 + i % 17), files[i % 3], processes) + "\n";
        }
        return out;
    }

    void load(const std::string& bytes, const std::string& name = "stats.jsonl") {
        QCOMPARE(test::loadBytes(*model_, bytes, name).status, LoadStatus::Loaded);
        QTRY_COMPARE(view_->windowTitle(), "Log data: " + QString::fromStdString(name));
        QTRY_VERIFY(view_->pointsUpToDate());
    }

    template <typename T = QWidget>
    T* part(const QString& name) {
        if (T* found = view_->findChild<T*>(name)) return found;
        qFatal("no child named %s", qPrintable(name));
    }

    PointChart& chart(const QString& key) { return *part<PointChart>(key + "Chart"); }

    /// Where the chart shows `text`, in its scene's coordinates; null where it does not.
    static QRectF shownText(const QChart& c, const QString& text) {
        for (const QGraphicsItem* item : c.scene()->items()) {
            const auto* simple = qgraphicsitem_cast<const QGraphicsSimpleTextItem*>(item);
            const auto* rich = qgraphicsitem_cast<const QGraphicsTextItem*>(item);
            const QString shown = simple ? simple->text() : rich ? rich->toPlainText() : QString();
            if (item->isVisible() && shown == text) return item->sceneBoundingRect();
        }
        return {};
    }

    /// The date text a header shows; null while it shows none.
    QString headerDate(const QString& key) {
        auto* label = part<QLabel>(key + "HeaderDate");
        return label->isVisibleTo(view_.get()) ? label->text() : QString();
    }

    /// Moves the pointer over a chart halfway up its plot: `dx` right of the centre, or given
    /// `seconds`, onto that moment of its time axis.
    void hover(const QString& key, int dx = 0, std::optional<double> seconds = {}) {
        PointChart& view = chart(key);
        QChart* c = view.chart();
        QPointF at = c->plotArea().center() + QPointF(dx, 0);
        if (seconds) at.setX(c->mapToPosition({*seconds * 1e3, 0}, c->series().first()).x());
        QTest::mouseMove(view.viewport(), view.mapFromScene(c->mapToScene(at)));
    }

    std::unique_ptr<Quillstat> model_;
    std::unique_ptr<PlotView> view_;
};

}  // namespace quill::ui

QTEST_MAIN(quill::ui::PlotViewTest)
#include "plot_view_test.moc"
