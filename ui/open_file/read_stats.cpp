#include "ui/open_file/read_stats.h"

#include <QApplication>
#include <QCursor>
#include <QMetaObject>

namespace quill::ui {

namespace {

/// Shows the busy cursor from construction to destruction. The load blocks the event loop,
/// so the cursor is pushed to the window system before it starts.
class BusyCursor {
public:
    BusyCursor() {
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

QString nameOf(const std::optional<FileLocation>& location) {
    return location ? QString::fromStdString(lastPathComponent(location->path)) : QString();
}

}  // namespace

void completeReadStats(Quillstat& model, int response, std::optional<FileLocation> location,
                       LoadFinished finished, QObject* context) {
    if (response != kResponseOK || !location || !location->isLocalFile) {
        const LoadOutcome outcome = model.loadStatFile(response, location);
        if (finished) finished(outcome, nameOf(location));
        return;
    }
    // Load from the event loop itself rather than from inside the closing dialog's signal, so
    // the busy cursor can be shown first.
    QMetaObject::invokeMethod(
        context ? context : qApp,
        [&model, finished, response, location] {
            BusyCursor busy;
            const LoadOutcome outcome = model.loadStatFile(response, location);
            if (finished) finished(outcome, nameOf(location));
        },
        Qt::QueuedConnection);
}

void readStats(Quillstat& model, FileChooser& chooser, QWidget* parent, LoadFinished finished) {
    chooser.chooseStatFile(parent,
                           [&model, finished](int response, std::optional<FileLocation> location) {
                               completeReadStats(model, response, std::move(location), finished);
                           });
}

}  // namespace quill::ui
