#include "ui/main_window/file_history.h"

#include <QAction>
#include <QFileInfo>
#include <QFontMetrics>
#include <QIcon>
#include <QMenu>

namespace quill::ui {

namespace {

constexpr int kLabelWidth = 560;  // pixels

}  // namespace

FileHistory::FileHistory(QWidget* window, Open open) : QObject(window), open_(std::move(open)) {
    setObjectName(QStringLiteral("fileHistory"));
    recent_ = new QMenu(QStringLiteral("Open &Recent"), window);
    recent_->setObjectName(QStringLiteral("openRecent"));
    recent_->setToolTipsVisible(true);
    // Files come and go while the program runs: look again each time the menu opens.
    connect(recent_, &QMenu::aboutToShow, this, &FileHistory::fillRecentMenu);
    reload_ = new QAction(QIcon::fromTheme(QStringLiteral("view-refresh")),
                          QStringLiteral("Re&load"), window);
    reload_->setObjectName(QStringLiteral("reload"));
    reload_->setShortcut(QKeySequence(Qt::Key_F5));
    reload_->setStatusTip(QStringLiteral("Read the current file again"));
    reload_->setEnabled(false);
    connect(reload_, &QAction::triggered, this, [this] {
        if (current_.isEmpty()) return;
        Q_EMIT reloading();
        open_(current_);
    });
    fillRecentMenu();
}

void FileHistory::noteLoad(const QString& path, LoadStatus status) {
    // A cancel leaves the shown file as it was; a failed read names the new file in the title,
    // so Reload then tries that file again.
    if (status == LoadStatus::Ignored || path.isEmpty()) return;
    current_ = path;
    reload_->setEnabled(true);
    if (status != LoadStatus::Loaded) return;
    files_.add(path);
    fillRecentMenu();
}

void FileHistory::fillRecentMenu() {
    recent_->clear();
    const QStringList paths = files_.paths();
    int number = 0;
    for (const QString& path : paths) {
        ++number;
        // A deep path would make the menu span the screen; the tooltip holds it whole. Single
        // ampersands in a path would turn into mnemonics.
        QString label = recent_->fontMetrics().elidedText(path, Qt::ElideMiddle, kLabelWidth);
        label.replace(QLatin1Char('&'), QStringLiteral("&&"));
        if (number < 10) label = QStringLiteral("&%1  %2").arg(QString::number(number), label);
        QAction* item = recent_->addAction(label);
        item->setData(path);
        item->setToolTip(path);
        const QFileInfo info(path);
        item->setEnabled(info.exists() && !info.isDir());
        connect(item, &QAction::triggered, this, [this, path] { open_(path); });
    }
    if (paths.isEmpty()) recent_->addAction(QStringLiteral("No recent files"))->setEnabled(false);
    recent_->addSeparator();
    QAction* clear = recent_->addAction(QStringLiteral("Clear"));
    clear->setObjectName(QStringLiteral("clearRecent"));
    clear->setEnabled(!paths.isEmpty());
    connect(clear, &QAction::triggered, this, [this] {
        files_.clear();
        // Not from inside the signal of an item that the refill deletes.
        QMetaObject::invokeMethod(this, &FileHistory::fillRecentMenu, Qt::QueuedConnection);
    });
}

}  // namespace quill::ui
