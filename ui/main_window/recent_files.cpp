#include "ui/main_window/recent_files.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace quill::ui {

namespace {

const QString kKey = QStringLiteral("recentFiles");

/// One spelling per file, so "./a.jsonl" and "/home/me/a.jsonl" count once.
QString normalPath(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

}  // namespace

QStringList RecentFiles::paths() const {
    // The settings file is the user's to edit: take nothing from it on trust.
    const QStringList stored = QSettings().value(kKey).toStringList();
    QStringList paths;
    for (const QString& path : stored) {
        if (path.isEmpty() || !QDir::isAbsolutePath(path)) continue;
        const QString normal = normalPath(path);
        if (!paths.contains(normal)) paths << normal;
        if (paths.size() == kMaxEntries) break;
    }
    return paths;
}

void RecentFiles::add(const QString& path) {
    if (path.isEmpty()) return;
    const QString normal = normalPath(path);
    QStringList list = paths();
    list.removeAll(normal);
    list.prepend(normal);
    store(list.mid(0, kMaxEntries));
}

void RecentFiles::clear() {
    store({});
}

void RecentFiles::store(const QStringList& list) {
    QSettings settings;
    if (list.isEmpty())
        settings.remove(kKey);
    else
        settings.setValue(kKey, list);
}

}  // namespace quill::ui
