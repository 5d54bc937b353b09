// Quillometer: looks at log statistics files.

#include <QApplication>

#include "ui/main_window/content_view.h"
#include "ui/quillometer_app.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    quill::ui::nameApplication();
    quill::ui::QuillometerApp app;
    app.start();
    // A file opened from the desktop (the launcher passes its path) loads as if chosen.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        if (auto* main =
                qobject_cast<quill::ui::ContentView*>(app.window(quill::ui::WindowId::Main)))
            main->openFile(arguments.at(1));
    }
    QApplication::exec();
    return 0;
}
