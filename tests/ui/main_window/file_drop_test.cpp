#include "ui/main_window/file_drop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>
#include <QtTest>

#include "tests/ui/main_window/main_window_fixture.h"

using namespace quill;

namespace {

/// What a file manager puts on the drag for these locations.
std::unique_ptr<QMimeData> urls(const QList<QUrl>& list) {
    auto data = std::make_unique<QMimeData>();
    data->setUrls(list);
    return data;
}

QUrl local(const std::string& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path));
}

/// Sends a drag entering the window and returns whether the window would take it.
bool dragEnter(QWidget& window, const QMimeData& data) {
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    enter.setAccepted(false);
    QCoreApplication::sendEvent(&window, &enter);
    return enter.isAccepted();
}

/// Drags `data` onto the window and lets go: returns whether the window took the drop. Qt
/// hands a drop only to the widget that accepted the drag's entry, as a real drag does.
bool drop(QWidget& window, const QMimeData& data) {
    if (!dragEnter(window, data)) return false;
    QDropEvent event(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                     Qt::NoModifier);
    event.setAccepted(false);
    QCoreApplication::sendEvent(&window, &event);
    return event.isAccepted();
}

}  // namespace

class FileDropTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oneStatisticsFileLoadsAsIfChosen() {
        test::MainWindowFixture f;
        const auto path = f.dir.write("day.jsonl", test::persistLines(3));
        const auto data = urls({local(path)});
        QVERIFY(drop(*f.window, *data));
        QTRY_COMPARE(f.window->windowTitle(), QStringLiteral("Quillometer: day.jsonl"));
        QTRY_COMPARE(f.rows(), 3);
        QCOMPARE(f.window->statusBar()->currentMessage(), QStringLiteral("3 records"));
        // Remembered like any other load.
        QCOMPARE(ui::RecentFiles().paths(), QStringList{QString::fromStdString(path)});
        // The extension is a name, not a case.
        const auto upper = f.dir.write("NIGHT.JSONL", test::persistLines(1));
        QVERIFY(drop(*f.window, *urls({local(upper)})));
        QTRY_COMPARE(f.rows(), 1);
    }

    void otherDropsAreRefusedWithTheReason_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("text") << "text"
                              << "Cannot open what was dropped: drop a .jsonl file";
        QTest::newRow("two files") << "two"
                                   << "Cannot open 2 files at once: drop one .jsonl file";
        QTest::newRow("remote") << "remote"
                                << "Cannot open \u201chttps://example.org/day.jsonl\u201d: "
                                   "only local files can be opened";
        QTest::newRow("folder") << "folder"
                                << "Cannot open \u201cfolder.jsonl\u201d: it is a folder";
        QTest::newRow("other file")
            << "csv"
            << "Cannot open \u201cday.csv\u201d: only .jsonl statistics files can be opened";
        QTest::newRow("no extension")
            << "bare"
            << "Cannot open \u201cjsonl\u201d: only .jsonl statistics files can be opened";
    }

    void otherDropsAreRefusedWithTheReason() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        test::MainWindowFixture f;
        const auto good = f.dir.write("day.jsonl", test::persistLines(2));
        std::filesystem::create_directory(f.dir.path() / "folder.jsonl");
        auto data = std::make_unique<QMimeData>();
        if (kind == "text") data->setText(QString::fromStdString(good));
        if (kind == "two") data->setUrls({local(good), local(good)});
        if (kind == "remote") data->setUrls({QUrl("https://example.org/day.jsonl")});
        if (kind == "folder") data->setUrls({local((f.dir.path() / "folder.jsonl").string())});
        if (kind == "csv") data->setUrls({local(f.dir.write("day.csv", test::persistLines(2)))});
        if (kind == "bare") data->setUrls({local(f.dir.write("jsonl", test::persistLines(2)))});
        // Turned away as it enters, with the reason shown while the pointer is still over the
        // window.
        QVERIFY(!dragEnter(*f.window, *data));
        QCOMPARE(f.window->statusBar()->currentMessage(), reason);
        QVERIFY(!drop(*f.window, *data));
        QTest::qWait(20);
        QVERIFY(f.model.fileName().empty());
        QCOMPARE(f.rows(), 0);
        QVERIFY(ui::RecentFiles().paths().isEmpty());
    }
};

QTEST_MAIN(FileDropTest)
#include "file_drop_test.moc"
