#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace quill::ui {

/// What the command line asks for: either to end at once with `exitCode`, after writing
/// `output` to standard output and `error` to standard error, or to run, loading `file` if
/// one was named.
struct CommandLine {
    bool exitNow = false;
    int exitCode = 0;
    QString output;
    QString error;
    std::optional<QString> file;
};

/// The exit status of a command line that cannot be understood.
inline constexpr int kUsageError = 2;

/// Reads `quillometer [--help] [--version] [FILE]`. `arguments` starts with the program's
/// name, as QCoreApplication::arguments() does; a QCoreApplication must exist, named and
/// versioned.
CommandLine parseCommandLine(const QStringList& arguments);

}  // namespace quill::ui
