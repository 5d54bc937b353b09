#include <QFileDialog>
#include <QtTest>

#include "tests/support.h"
#include "tests/ui/common/fake_chooser.h"
#include "ui/open_file/file_chooser.h"
#include "ui/open_file/read_stats.h"

using namespace quill;

class OpenFileTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void eachCallShowsAnotherDialogWithoutBlocking() {
        ui::DialogFileChooser chooser;
        int answered = 0;
        chooser.chooseStatFile(nullptr, [&](int, std::optional<FileLocation>) { ++answered; });
        QPointer<QWidget> first = chooser.lastDialog();
        chooser.chooseStatFile(nullptr, [&](int, std::optional<FileLocation>) { ++answered; });
        auto* dialog = qobject_cast<QFileDialog*>(chooser.lastDialog());
        QVERIFY(first && dialog && dialog != first.data());
        QVERIFY(first->isVisible() && dialog->isVisible());
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
        QVERIFY(dialog->nameFilters().join(' ').contains("*.jsonl"));
        QCOMPARE(dialog->windowModality(), Qt::NonModal);
        qobject_cast<QDialog*>(first.data())->reject();
        dialog->reject();
        QCOMPARE(answered, 2);
    }

    void confirmationLoadsLaterUnderTheBusyCursor() {
        Quillstat model;
        test::FakeChooser chooser;
        test::TempDir dir;
        const std::string path = dir.write("a.jsonl", test::statLine(1000, 1, "Persist/a") + "\n");
        std::optional<Qt::CursorShape> cursorDuringLoad;
        ui::readStats(model, chooser, nullptr,
                      [&](const LoadOutcome& outcome, const QString& name) {
                          QCOMPARE(outcome.status, LoadStatus::Loaded);
                          QCOMPARE(name, QStringLiteral("a.jsonl"));
                          if (QGuiApplication::overrideCursor())
                              cursorDuringLoad = QGuiApplication::overrideCursor()->shape();
                      });
        chooser.answer(kResponseOK, FileLocation::local(path));
        QVERIFY(model.fileName().empty());  // the dialog's signal returns before the load
        QTRY_COMPARE(model.statList().size(), std::size_t{1});
        QCOMPARE(cursorDuringLoad, std::optional<Qt::CursorShape>(Qt::WaitCursor));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void twoChoosersLoadInTheOrderTheyClose() {
        Quillstat model;
        test::FakeChooser chooser;
        test::TempDir dir;
        ui::readStats(model, chooser, nullptr);
        ui::readStats(model, chooser, nullptr);
        const auto first = dir.write("first.jsonl", test::statLine(2000, 1, "a") + "\n");
        const auto second = dir.write("second.jsonl", test::statLine(1000, 1, "a") + "\n");
        chooser.pending[1](kResponseOK, FileLocation::local(second));
        chooser.pending[0](kResponseOK, FileLocation::local(first));
        QTRY_COMPARE(model.fileName(), std::string("first.jsonl"));
        QCOMPARE(model.startTime(), 1000);
    }
};

QTEST_MAIN(OpenFileTest)
#include "open_file_test.moc"
