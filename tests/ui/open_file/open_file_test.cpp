// The open-file flow: the dialog, and loads read in the background as the main window runs
// them.

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
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
    std::atomic<bool> reached{false}, released{false};
};

/// Reads as the program does, but holds the load at the first byte ("start") or half-way
/// ("middle"), or tells once the whole file is read ("end").
ui::StatFileLoader::Reader heldReader(std::shared_ptr<Hold> hold, QString where) {
    return [hold, where](const std::string& path, LoadControl* control) {
        std::ifstream file(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(file)), {});
        const std::uint64_t at = where == "start"    ? 0
                                 : where == "middle" ? bytes.size() / 2
                                                     : ~std::uint64_t{0};  // never read
        const test::HookedSource source(std::move(bytes), at, [&] {
            hold->reached = true;
            while (!hold->released && !control->cancelled()) std::this_thread::sleep_for(1ms);
            return 0;
        });
        StatLoad load = readStatSource(std::string(lastPathComponent(path)), source, control);
        hold->reached = true;
        return load;
    };
}

/// What the main window shows of a file: title, rows, filter, selected row and status.
QStringList shown(const test::MainWindowFixture& f) {
    const QModelIndexList selected = f.list().selectionModel()->selectedRows();
    return {f.window->windowTitle(), QString::number(f.rows()), f.field().text(),
            selected.isEmpty() ? "none" : QString::number(selected.first().row()), f.status()};
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
            QVERIFY(dialog->nameFilters().join(' ').contains("*.jsonl"));
            QCOMPARE(dialog->windowModality(), Qt::NonModal);
            dialog->reject();
        }
        QCOMPARE(answered, 2);
    }

    void aStoppedLoadLeavesTheWindowAsItWas_data() {
        QTest::addColumn<QString>("hold");  // where the load is when it is stopped
        QTest::addColumn<QString>("stop");  // how
        test::row("before any chunk, Escape", "start", "escape");
        test::row("mid-file, Cancel", "middle", "cancel");
        test::row("read whole, Escape", "end", "escape");
        test::row("mid-file, another file opened", "middle", "open");
        test::row("read whole, another file opened", "end", "open");
        test::row("mid-file, window closed", "middle", "close");
    }

    void aStoppedLoadLeavesTheWindowAsItWas() {
        QFETCH(QString, hold);
        QFETCH(QString, stop);
        test::MainWindowFixture f;
        f.load(test::sampleBytes(), "before.jsonl");
        f.filter("persist");
        f.select(1);
        const QStringList before = shown(f);
        QCOMPARE(before,
                 (QStringList{"Quillometer: before.jsonl", "2", "persist", "1", "2 of 4 records"}));

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
            QCOMPARE(shown(f), before);
        }

        if (stop == "close") {
            f.window.reset();  // cancels the load and waits for it
            QCOMPARE(f.model.fileName(), std::string("before.jsonl"));
            QCOMPARE(f.model.statList().size(), std::size_t{4});
            return;
        }
        if (stop == "escape") QTest::keyClick(&f.field(), Qt::Key_Escape);
        if (stop == "cancel")
            QTest::mouseClick(&test::part<QPushButton>(indicator, "cancelLoad"), Qt::LeftButton);
        if (stop == "open") {
            loader.setReader(heldReader(std::make_shared<Hold>(), "end"));  // holds nothing
            f.load(test::persistLines(2), "after.jsonl");
        }
        held->released = true;
        QTRY_VERIFY(loader.idle());
        QCoreApplication::processEvents();
        QVERIFY(!indicator.isVisible());
        // A file opened over the stopped load shows alone, filtered alike.
        const QStringList after{"Quillometer: after.jsonl", "2", "persist", "none",
                                "2 of 2 records"};
        QCOMPARE(shown(f), stop == "open" ? after : before);
        // The filter field did not take that Escape; the next one is its own again.
        QTest::keyClick(&f.field(), Qt::Key_Escape);
        QVERIFY(!f.field().isVisible());
    }
};

QTEST_MAIN(OpenFileTest)
#include "open_file_test.moc"
