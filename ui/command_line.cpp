#include "ui/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>

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

/// Qt's own options, which QApplication takes out of the arguments: known here, and kept out of
/// the help, so that they pass when the command line is read before a display is opened.
void acceptQtOptions(QCommandLineParser& parser) {
    for (const char* name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
          "geometry", "qwindowicon", "icon", "qwindowtitle", "title", "session", "display", "name",
          "style", "stylesheet", "qmljsdebugger"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "widgetcount", "testability", "nograb", "dograb", "sync"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

/// Qt's help begins "Usage: " and the path the program was started by; people read its name.
QString helpFor(const QCommandLineParser& parser, const QString& program) {
    QString text = parser.helpText();
    const QString usage = QStringLiteral("Usage: ");
    const qsizetype end = text.indexOf(QLatin1Char(' '), usage.size());
    if (text.startsWith(usage) && end > 0) text.replace(usage.size(), end - usage.size(), program);
    return text;
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
    // Qt's options are words after one dash ("-platform"), not letters run together.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    acceptQtOptions(parser);
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
        line.output = helpFor(parser, program);
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

}  // namespace quill::ui
