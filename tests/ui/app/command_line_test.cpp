#include "ui/command_line.h"

#include <QtTest>
#include <vector>

#include "ui/quillometer_app.h"

using namespace quill;

class CommandLineTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ui::nameProgram(); }

    void fileToLoad_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("file");  // empty: none
        QTest::newRow("nothing") << QStringList{} << QString();
        QTest::newRow("a path") << QStringList{"/data/day.jsonl"} << "/data/day.jsonl";
        QTest::newRow("a name like an option, after --")
            << QStringList{"--", "-v.jsonl"} << "-v.jsonl";
        QTest::newRow("a file URL")
            << QStringList{"file:///data/my%20day.jsonl"} << "/data/my day.jsonl";
    }

    void fileToLoad() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, file);
        const ui::CommandLine line = ui::parseCommandLine(QStringList{"quillometer"} + arguments);
        QVERIFY(!line.exitNow);
        QCOMPARE(line.file.value_or(QString()), file);
        QVERIFY(line.output.isEmpty() && line.error.isEmpty());
    }

    void versionAndHelpAnswerAndEnd() {
        const QRegularExpression versionLine("^Quillometer \\d+\\.\\d+\\.\\d+\n$");
        for (const char* option : {"--version", "-v"}) {
            const ui::CommandLine line = ui::parseCommandLine({"quillometer", option});
            QVERIFY(line.exitNow);
            QCOMPARE(line.exitCode, 0);
            QVERIFY2(versionLine.match(line.output).hasMatch(), qPrintable(line.output));
            QVERIFY(line.error.isEmpty());
        }
        for (const char* option : {"--help", "-h"}) {
            const ui::CommandLine line =
                ui::parseCommandLine({"/usr/bin/quillometer", "day.jsonl", option});
            QVERIFY(line.exitNow);
            QCOMPARE(line.exitCode, 0);
            for (const char* part : {"Usage:", "[FILE]", "--version", "--help"})
                QVERIFY2(line.output.contains(part), part);
            QVERIFY(!line.file);
        }
    }

    void mistakesEndWithAnErrorAndNoWindow_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown option") << QStringList{"--bogus"} << "Unknown option 'bogus'";
        QTest::newRow("unknown short option") << QStringList{"-x", "a.jsonl"} << "'x'";
        QTest::newRow("two files") << QStringList{"a.jsonl", "b.jsonl"} << "one FILE at most";
    }

    void mistakesEndWithAnErrorAndNoWindow() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const ui::CommandLine line = ui::parseCommandLine(QStringList{"quillometer"} + arguments);
        QVERIFY(line.exitNow);
        QCOMPARE(line.exitCode, ui::kUsageError);
        QVERIFY(line.output.isEmpty());
        QVERIFY2(line.error.startsWith("quillometer: ") && line.error.contains(message),
                 qPrintable(line.error));
        QVERIFY(line.error.contains("Try 'quillometer --help'"));
    }

    void onlyHelpAndVersionGoWithoutADisplay() {
        const auto check = [](std::vector<const char*> arguments) {
            arguments.insert(arguments.begin(), "quillometer");
            return ui::answersWithoutDisplay(static_cast<int>(arguments.size()),
                                             const_cast<char**>(arguments.data()));
        };
        QVERIFY(check({"--version"}));
        QVERIFY(check({"a.jsonl", "-h"}));
        QVERIFY(!check({}));
        QVERIFY(!check({"a.jsonl"}));
        QVERIFY(!check({"--", "--version"}));  // a file of that name
        QVERIFY(!check({"--versions"}));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "command_line_test.moc"
