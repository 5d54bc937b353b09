#include "ui/quillometer_app.h"

#include <QAction>
#include <QApplication>
#include <QIcon>

#include "ui/chart/chart_view.h"
#include "ui/help/about_view.h"
#include "ui/help/help_view.h"
#include "ui/main_window/content_view.h"
#include "ui/plot/plot_view.h"
#include "ui/processes/processes_view.h"

namespace quill::ui {

void nameProgram() {
    // No display name: on X11 and Wayland Qt appends one to every window title, and the titles
    // must reach the window system exactly as the windows set them. Qt's display name follows
    // the application name where nothing else is set.
    QCoreApplication::setApplicationName(QStringLiteral("Quillometer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILL_VERSION));
    // Settings then live in ~/.config/Quillometer/Quillometer.conf.
    QCoreApplication::setOrganizationName(QStringLiteral("Quillometer"));
}

void nameApplication() {
    nameProgram();
    QApplication::setDesktopFileName(QStringLiteral("io.github.quillometer.Quillometer"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("io.github.quillometer.Quillometer"),
                         QIcon(QStringLiteral(":/icons/io.github.quillometer.Quillometer.svg"))));
}

QuillometerApp::QuillometerApp(std::unique_ptr<FileChooser> chooser)
    : chooser_(chooser ? std::move(chooser) : std::make_unique<DialogFileChooser>()) {}

QuillometerApp::~QuillometerApp() {
    // Windows go before the model they observe.
    for (auto& window : windows_) delete window.data();
}

namespace {

/// Ctrl+W closes the chart, plot, processes, help, About and README windows, as it does a
/// desktop's other secondary windows; the main window has Ctrl+Q, which ends the program.
void addCloseKey(QWidget& window) {
    // Named: the plot window lists its actions in its right-click menu.
    auto* close = new QAction(QStringLiteral("Close Window"), &window);
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    close->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(close, &QAction::triggered, &window, &QWidget::close);
    window.addAction(close);
}

}  // namespace

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
            return new PlotView(loggy_, [this](TimeWindow span) {
                openWindow(WindowId::Main);
                qobject_cast<ContentView*>(window(WindowId::Main))->filterBySpan(span);
            });
        case WindowId::Help:
            return new HelpView(defaultManualPath());
        case WindowId::About:
            return new AboutView(QStringLiteral(QUILL_VERSION), *this);
        case WindowId::Readme:
            return new ReadmeView();
        case WindowId::Processes:
            return new ProcessesView(loggy_, [this](const QString& name) {
                openWindow(WindowId::Main);
                qobject_cast<ContentView*>(window(WindowId::Main))->filterByProcess(name);
            });
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
        if (id == WindowId::Main)
            connect(slot, &QObject::destroyed, qApp, &QCoreApplication::quit);
        else
            addCloseKey(*slot);
        slot->setObjectName(windowIdentifier(id));
        if (slot->windowTitle().isEmpty()) slot->setWindowTitle(windowName(id));
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
}

}  // namespace quill::ui
