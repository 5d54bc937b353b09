// The open-file flow: the dialog, and loads read in the background as the main window runs
// them.

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "tests/ui/main_window/main_window_fixture.h"
#include "ui/open_file/stat_file_loader.h"

using namespace quill;
using namespace std::chrono_literals;

namespace {

/// Tells the test that a load got to a point, and keeps it there until the test lets go or
/// the load is cancelled.
struct Hold {
    std::atomic<bool> reached{false};
    std::atomic<bool> released{false};
    void wait(const LoadControl& control) {
        reached = true;
        while (!released && !control.cancelled()) std::this_thread::sleep_for(1ms);
    }
};

/// Reads as the program does, but holds the load at the first byte ("start") or half-way
/// ("middle"), or tells once the whole file is read and lets it go on ("end").
ui::StatFileLoader::Reader heldReader(std::shared_ptr<Hold> hold, QString where) {
    return [hold, where](const std::string& path, LoadControl* control) {
        if (where == "end") {
            StatLoad load = readStatPath(path, control);
            hold->reached = true;
            return load;
        }
        std::ifstream file(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(file)), {});
        const std::uint64_t at = where == "start" ? 0 : bytes.size() / 2;
        const test::HookedSource source(std::move(bytes), at, [&] {
            hold->wait(*control);
            return 0;
        });
        return readStatSource(std::string(lastPathComponent(path)), source, control);
    };
}

/// What the main window shows of a file: title, rows, filter, selected row and status.
QStringList shown(const ui::ContentView& window) {
    const auto& list = test::part<QListView>(window, "statList");
    const QModelIndexList selected = list.selectionModel()->selectedRows();
    return {window.windowTitle(), QString::number(list.model()->rowCount()),
            test::part<QLineEdit>(window, "listFilter").text(),
            selected.isEmpty() ? "none" : QString::number(selected.first().row()),
            test::part<QStatusBar>(window).currentMessage()};
}

}  // namespace

class OpenFileTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void eachCallShowsAnotherDialogWithoutBlocking() {
        ui::DialogFileChooser chooser;
        int answered = 0;
        const auto count = [&](int, std::optional<ui::FileLocation>) { ++answered; };
        chooser.chooseStatFile(nullptr, count);
        chooser.chooseStatFile(nullptr, count);
        QList<QFileDialog*> dialogs;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == "openStatFile" && widget->isVisible())
                dialogs << qobject_cast<QFileDialog*>(widget);
        QCOMPARE(dialogs.size(), 2);
        for (QFileDialog* dialog : dialogs) {
            QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
            QVERIFY(dialog->nameFilters().join(' ').contains("*.jsonl"));
            QCOMPARE(dialog->windowModality(), Qt::NonModal);
            dialog->reject();
        }
        QCOMPARE(answered, 2);
    }

    void aStoppedLoadLeavesTheWindowAsItWas_data() {
        QTest::addColumn<QString>("hold");  // where the load is when it is stopped
        QTest::addColumn<QString>("stop");  // how
        QTest::newRow("before any chunk, Escape") << "start"
                                                  << "escape";
        QTest::newRow("mid-file, Cancel") << "middle"
                                          << "cancel";
        QTest::newRow("read whole, Escape") << "end"
                                            << "escape";
        QTest::newRow("mid-file, another file opened") << "middle"
                                                       << "open";
        QTest::newRow("read whole, another file opened") << "end"
                                                         << "open";
        QTest::newRow("mid-file, window closed") << "middle"
                                                 << "close";
    }

    void aStoppedLoadLeavesTheWindowAsItWas() {
        QFETCH(QString, hold);
        QFETCH(QString, stop);
        test::MainWindowFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.open(f.dir.write("before.jsonl",
                           test::persistLines(3) + test::statLine(5000, 1, "Special/b") + "\n"));
        QTest::keyClick(f.window.get(), Qt::Key_F, Qt::ControlModifier);
        QLineEdit& field = test::part<QLineEdit>(*f.window, "listFilter");
        QTest::keyClicks(&field, "persist");
        QTest::keyClick(&field, Qt::Key_Return);
        auto& list = test::part<QListView>(*f.window, "statList");
        list.setCurrentIndex(list.model()->index(1, 0));
        const QStringList before = shown(*f.window);
        QCOMPARE(before,
                 (QStringList{"Quillometer: before.jsonl", "3", "persist", "1", "3 of 4 records"}));

        // Four chunks of a megabyte: held in the middle, the first is read and counted.
        const std::string big = f.dir.write("big.jsonl", test::persistLines(40000, 9000));
        auto& loader = test::part<ui::StatFileLoader>(*f.window, "statFileLoader");
        auto held = std::make_shared<Hold>();
        loader.setReader(heldReader(held, hold));
        f.window->openFile(QString::fromStdString(big));
        auto& indicator = test::part<QWidget>(*f.window, "loadIndicator");
        QVERIFY(indicator.isVisible());
        QCOMPARE(test::part<QLabel>(indicator).text(), QStringLiteral("Loading big.jsonl\u2026"));
        if (hold == "end") {
            // Without turning the event loop: the finished load is on its way, not yet shown.
            while (!held->reached) std::this_thread::sleep_for(1ms);
        } else {
            QTRY_VERIFY(held->reached);
            if (hold == "middle") QTRY_VERIFY(test::part<QProgressBar>(indicator).value() > 0);
            QCOMPARE(shown(*f.window), before);
        }

        if (stop == "escape") QTest::keyClick(&field, Qt::Key_Escape);
        if (stop == "cancel")
            QTest::mouseClick(&test::part<QPushButton>(indicator, "cancelLoad"), Qt::LeftButton);
        if (stop == "open") {
            loader.setReader([](const std::string& path, LoadControl* control) {
                return readStatPath(path, control);
            });
            f.open(f.dir.write("after.jsonl", test::persistLines(2)));
        }
        if (stop == "close") f.window.reset();
        held->released = true;
        if (stop == "close") {
            QCOMPARE(f.model.fileName(), std::string("before.jsonl"));
            QCOMPARE(f.model.statList().size(), std::size_t{4});
            return;
        }
        QTRY_VERIFY(loader.idle());
        QCoreApplication::processEvents();
        QVERIFY(!indicator.isVisible());
        if (stop == "open") {
            QCOMPARE(shown(*f.window), (QStringList{"Quillometer: after.jsonl", "2", "persist",
                                                    "none", "2 of 2 records"}));
            return;
        }
        QCOMPARE(shown(*f.window), before);
        QCOMPARE(f.model.fileName(), std::string("before.jsonl"));
        // The filter field did not take that Escape; the next one is its own again.
        QTest::keyClick(&field, Qt::Key_Escape);
        QVERIFY(!field.isVisible());
    }
};

QTEST_MAIN(OpenFileTest)
#include "open_file_test.moc"
