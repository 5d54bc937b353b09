#include "ui/main_window/message_row.h"

#include <QFontMetrics>
#include <QListView>
#include <QtTest>

#include "tests/support.h"
#include "ui/main_window/stat_list_model.h"

using namespace quill;

class MessageRowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rowTextsComeFromTheirOwnFields() {
        Quillstat model;
        test::loadBytes(model, test::statLine(1000, 1500, "Persist/a") + "\n" +
                                   test::statLine(1060, 3000000, "Persist/b") + "\n");
        ui::StatListModel list(model);
        list.refresh();
        const auto shown = ui::messageRowTexts(list.index(1), {});
        const QStringList expected{"00:16:40+0000 1970-01-01",
                                   "\u2013",
                                   "00:17:40+0000 1970-01-01",
                                   "60 s",
                                   "2929 KB",
                                   "50000 B/s",
                                   "Persist/b"};
        for (int i = 0; i < 7; ++i) QCOMPARE(shown[std::size_t(i)].text, expected[i]);
    }

    void coloursDifferOnLightAndDarkPalettes() {
        QPalette light, dark;
        light.setColor(QPalette::Base, Qt::white);
        dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
        for (const QPalette& palette : {light, dark}) {
            const auto c = ui::rowColours(palette);
            const int base = palette.color(QPalette::Base).lightness();
            // Each tone stands well apart from the background it is drawn on.
            for (const QColor& colour : {c.brown, c.red, c.green})
                QVERIFY2(std::abs(colour.lightness() - base) > 60, qPrintable(colour.name()));
            QVERIFY(c.red.hue() < 20 && c.green.hue() > 90 && c.green.hue() < 150);
        }
    }

    void fontIsMonospace() {
        // Measured rather than asked: some monospaced fonts do not declare themselves fixed-pitch.
        const QFontMetrics metrics(ui::messageRowFont());
        QCOMPARE(metrics.horizontalAdvance(QLatin1Char('i')),
                 metrics.horizontalAdvance(QLatin1Char('W')));
        QCOMPARE(metrics.horizontalAdvance(QLatin1Char('1')),
                 metrics.horizontalAdvance(QLatin1Char('m')));
    }
};

QTEST_MAIN(MessageRowTest)
#include "message_row_test.moc"
