#include "ui/quillometer_app.h"

#include <QCoreApplication>

#include "ui/chart/chart_view.h"
#include "ui/help/help_view.h"
#include "ui/main_window/content_view.h"
#include "ui/plot/plot_view.h"

namespace quill::ui {

QuillometerApp::QuillometerApp(std::unique_ptr<FileChooser> chooser)
    : chooser_(chooser ? std::move(chooser) : std::make_unique<DialogFileChooser>()),
      manualPath_(defaultManualPath()) {}

QuillometerApp::~QuillometerApp() {
    // Windows go before the model they observe.
    for (auto& window : windows_) delete window.data();
}

void QuillometerApp::start() {
    openWindow(WindowId::Main);
}

QWidget* QuillometerApp::makeContent(WindowId id) {
    switch (id) {
        case WindowId::Main:
            return new ContentView(loggy_, *this, *chooser_);
        case WindowId::Chart:
            return new ChartView(loggy_);
        case WindowId::Plot:
            return new PlotView(loggy_);
        case WindowId::Help:
            return new HelpView(manualPath_);
    }
    return nullptr;
}

void QuillometerApp::openWindow(WindowId id) {
    QPointer<QWidget>& slot = windows_[index(id)];
    if (!slot) {
        // Name and title first: a view that shows nothing keeps the window's own name.
        slot = makeContent(id);
        slot->setAttribute(Qt::WA_DeleteOnClose);
        // The other windows only make sense beside the list: closing it ends the program.
        if (id == WindowId::Main) connect(slot, &QObject::destroyed, qApp, &QCoreApplication::quit);
        slot->setObjectName(windowIdentifier(id));
        if (slot->windowTitle().isEmpty()) slot->setWindowTitle(windowName(id));
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
}

}  // namespace quill::ui
