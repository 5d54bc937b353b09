// Quillometer: looks at log statistics files.

#include <QApplication>
#include <cstdio>
#include <memory>

#include "ui/command_line.h"
#include "ui/main_window/content_view.h"
#include "ui/quillometer_app.h"

namespace {

void write(std::FILE* stream, const QString& text) {
    if (text.isEmpty()) return;
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

}  // namespace

int main(int argc, char** argv) {
    // Help, the version and a command line that cannot be understood are answered before a
    // display is opened: they come from terminals and scripts, where there may be none.
    {
        const QCoreApplication core(argc, argv);
        quill::ui::nameProgram();
        const quill::ui::CommandLine line =
            quill::ui::parseCommandLine(QCoreApplication::arguments());
        if (line.exitNow) {
            write(stdout, line.output);
            write(stderr, line.error);
            return line.exitCode;
        }
    }
    // QApplication takes its own options (-platform, -style, ...) out of the arguments first.
    QApplication application(argc, argv);
    quill::ui::nameApplication();
    const quill::ui::CommandLine line = quill::ui::parseCommandLine(QApplication::arguments());
    write(stdout, line.output);
    write(stderr, line.error);
    if (line.exitNow) return line.exitCode;
    quill::ui::QuillometerApp app;
    app.start();
    // A file named on the command line (the desktop's launcher passes one) loads as if chosen.
    if (line.file) {
        if (auto* main =
                qobject_cast<quill::ui::ContentView*>(app.window(quill::ui::WindowId::Main)))
            main->openFile(*line.file);
    }
    QApplication::exec();
    return 0;
}
