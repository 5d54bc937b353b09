#include <QFileDialog>
#include <QPushButton>
#include <QtTest>

#include "tests/support.h"
#include "tests/ui/common/fake_chooser.h"
#include "ui/open_file/file_chooser.h"
#include "ui/open_file/read_stats.h"

using namespace quill;

class OpenFileTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void dialogOffersOneStatisticsFileAndReadsOpen();
    void eachCallShowsAnotherDialogWithoutBlocking();
    void confirmationLoadsLaterUnderTheBusyCursor();
    void twoChoosersLoadInTheOrderTheyClose();
};

void OpenFileTest::dialogOffersOneStatisticsFileAndReadsOpen() {
    ui::DialogFileChooser chooser;
    bool called = false;
    chooser.chooseStatFile(nullptr, [&](int, std::optional<FileLocation>) { called = true; });
    auto* dialog = qobject_cast<QFileDialog*>(chooser.lastDialog());
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
    QVERIFY(dialog->nameFilters().join(' ').contains("*.jsonl"));
    QCOMPARE(dialog->labelText(QFileDialog::Accept), QStringLiteral("Open"));
    QCOMPARE(dialog->windowModality(), Qt::NonModal);
    dialog->reject();
    QVERIFY(called);
}

void OpenFileTest::eachCallShowsAnotherDialogWithoutBlocking() {
    ui::DialogFileChooser chooser;
    chooser.chooseStatFile(nullptr, [](int, std::optional<FileLocation>) {});
    QPointer<QWidget> first = chooser.lastDialog();
    chooser.chooseStatFile(nullptr, [](int, std::optional<FileLocation>) {});
    QVERIFY(first && chooser.lastDialog() != first.data());
    qobject_cast<QDialog*>(first.data())->reject();
    qobject_cast<QDialog*>(chooser.lastDialog())->reject();
}

void OpenFileTest::confirmationLoadsLaterUnderTheBusyCursor() {
    Quillstat model;
    test::FakeChooser chooser;
    test::TempDir dir;
    const std::string path = dir.write("a.jsonl", test::statLine(1000, 1, "Persist/a") + "\n");
    std::optional<Qt::CursorShape> cursorDuringLoad;
    ui::readStats(model, chooser, nullptr, [&](const LoadOutcome& outcome, const QString& name) {
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

void OpenFileTest::twoChoosersLoadInTheOrderTheyClose() {
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

QTEST_MAIN(OpenFileTest)
#include "open_file_test.moc"
