#include "ui/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>
#include <cstring>

namespace quill::ui {

namespace {

/// The launcher passes a path, but a file manager or a script may pass a file: URL.
QString localPath(const QString& argument) {
    if (argument.startsWith(QStringLiteral("file:"))) {
        const QUrl url(argument);
        if (url.isLocalFile()) return url.toLocalFile();
    }
    return argument;
}

CommandLine usageError(const QString& program, const QString& message) {
    CommandLine line;
    line.exitNow = true;
    line.exitCode = kUsageError;
    line.error =
        QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n").arg(program, message);
    return line;
}

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Looks at log statistics files in JSON Lines form."));
    // Not Qt's help option: its --help-all promises Qt's own options, which only Qt can list.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help and exits."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A statistics file (.jsonl) to load at start."),
                                 QStringLiteral("[FILE]"));
    const QString program =
        arguments.isEmpty() ? QStringLiteral("quillometer") : QFileInfo(arguments[0]).fileName();
    const bool understood = parser.parse(arguments);
    CommandLine line;
    // Help and the version answer even beside a mistake, as people ask for them to find it.
    if (parser.isSet(help)) {
        line.exitNow = true;
        line.output = parser.helpText();
        return line;
    }
    if (parser.isSet(version)) {
        line.exitNow = true;
        line.output = QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                    QCoreApplication::applicationVersion());
        return line;
    }
    if (!understood) return usageError(program, parser.errorText());
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return usageError(program, QStringLiteral("one FILE at most, %1 given").arg(files.size()));
    if (!files.isEmpty()) line.file = localPath(files.first());
    return line;
}

bool answersWithoutDisplay(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--") == 0) return false;  // what follows are file names
        for (const char* option : {"-h", "--help", "-v", "--version"})
            if (std::strcmp(argument, option) == 0) return true;
    }
    return false;
}

}  // namespace quill::ui
