#include "ui/main_window/file_drop.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace quill::ui {

namespace {

DropVerdict refused(const QString& reason) {
    return {QString(), reason};
}

QString quoted(const QString& text) {
    return QStringLiteral("\u201c%1\u201d").arg(text);
}

}  // namespace

DropVerdict judgeDrop(const QMimeData* data) {
    const QList<QUrl> urls = data ? data->urls() : QList<QUrl>{};
    if (urls.isEmpty())
        return refused(QStringLiteral("Cannot open what was dropped: drop a .jsonl file"));
    if (urls.size() > 1)
        return refused(
            QStringLiteral("Cannot open %1 files at once: drop one .jsonl file").arg(urls.size()));
    const QUrl& url = urls.first();
    if (!url.isLocalFile())
        return refused(QStringLiteral("Cannot open %1: only local files can be opened")
                           .arg(quoted(url.toDisplayString())));
    const QFileInfo info(url.toLocalFile());
    const QString name = quoted(info.fileName().isEmpty() ? info.filePath() : info.fileName());
    if (info.isDir()) return refused(QStringLiteral("Cannot open %1: it is a folder").arg(name));
    // The open dialog offers the same files.
    if (info.suffix().compare(QStringLiteral("jsonl"), Qt::CaseInsensitive) != 0)
        return refused(
            QStringLiteral("Cannot open %1: only .jsonl statistics files can be opened").arg(name));
    return {info.filePath(), QString()};
}

FileDrop::FileDrop(QWidget* window, std::function<void(const QString&)> open,
                   std::function<void(const QString&)> refuse)
    : QObject(window), open_(std::move(open)), refuse_(std::move(refuse)) {
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

bool FileDrop::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            const DropVerdict verdict = judgeDrop(drag->mimeData());
            if (verdict.accepted()) {
                drag->acceptProposedAction();
            } else {
                drag->ignore();
                if (event->type() == QEvent::DragEnter) refuse_(verdict.refusal);
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const DropVerdict verdict = judgeDrop(drop->mimeData());
            if (verdict.accepted()) {
                drop->acceptProposedAction();
                open_(verdict.path);
            } else {
                drop->ignore();
                refuse_(verdict.refusal);
            }
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
    }
}

}  // namespace quill::ui
