// The main window's View > Follow File: the file shown is read again as it grows, its new lines
// added at the end of the list, and read whole again when it is cut short or replaced.

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>
#include <QTime>
#include <QTimer>

#include "ui/main_window/content_view.h"
#include "ui/main_window/file_history.h"
#include "ui/main_window/stat_list_model.h"
#include "ui/main_window/stat_list_view.h"
#include "ui/open_file/file_follow_watcher.h"
#include "ui/qt_text.h"

namespace quill::ui {

namespace {

QString quoted(const std::string& path) {
    return QStringLiteral("\u201c%1\u201d").arg(toQString(lastPathComponent(path)));
}

QString reloadText(FollowChange change, const std::string& path) {
    switch (change) {
        case FollowChange::Truncated:
            return QStringLiteral("%1 was cut short: read again from its start").arg(quoted(path));
        case FollowChange::Replaced:
            return QStringLiteral("%1 was replaced by another file: read again").arg(quoted(path));
        default:
            return QStringLiteral("%1 was rewritten: read again").arg(quoted(path));
    }
}

}  // namespace

void ContentView::makeFollow() {
    follow_ = new QAction(QStringLiteral("&Follow File"), this);
    follow_->setObjectName(QStringLiteral("followFile"));
    follow_->setCheckable(true);
    follow_->setEnabled(false);
    follow_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    follow_->setStatusTip(QStringLiteral("Add the lines written to the file as they arrive"));
    addAction(follow_);
    connect(follow_, &QAction::toggled, this, &ContentView::setFollowing);
    // Reload reads the file once, as a load does: it ends the following.
    connect(history_, &FileHistory::reloading, this, [this] {
        const QSignalBlocker quiet(follow_);
        follow_->setChecked(false);
        watch(nullptr);
    });
    followRetry_ = new QTimer(this);
    followRetry_->setSingleShot(true);
    followRetry_->setInterval(1000);
    connect(followRetry_, &QTimer::timeout, this, &ContentView::awaitFollowed);
    followLabel_ = new QLabel;
    followLabel_->setObjectName(QStringLiteral("followStatus"));
    statusBar()->insertPermanentWidget(0, followLabel_);
    followLabel_->hide();
    connect(listModel_, &QAbstractItemModel::rowsAboutToBeInserted, this,
            &ContentView::noteListEnd);
    connect(listModel_, &QAbstractItemModel::rowsInserted, this, &ContentView::keepListEnd);
    connect(listModel_, &StatListModel::grew, this, &ContentView::showRecordCount);
}

void ContentView::setFollowing(bool on) {
    // Switched on, the file is read again to be followed from its end; switched off, it is
    // read as any load reads it, its unfinished last line included.
    if (!on) watch(nullptr);
    if (!history_->currentPath().isEmpty()) openFile(history_->currentPath());
}

void ContentView::watch(std::shared_ptr<StatFollower> follower) {
    // Later: it may be the one whose step is being taken.
    if (watcher_) watcher_->deleteLater();
    watcher_ = nullptr;
    vanished_ = false;
    followLabel_->setVisible(follower != nullptr);
    if (!follower) return;
    followLabel_->setText(QStringLiteral("Following"));
    watcher_ = new FileFollowWatcher(std::move(follower), this);
    connect(watcher_, &FileFollowWatcher::stepped, this, &ContentView::takeStep);
}

void ContentView::takeStep(const FollowStep& step) {
    const std::string path = history_->currentPath().toStdString();
    if (needsReload(step.change)) {
        reloadFollowed(step.change);
    } else if (step.change == FollowChange::Vanished) {
        if (!vanished_)
            statusBar()->showMessage(
                QStringLiteral("%1 is gone: following waits for it to come back")
                    .arg(quoted(path)));
        vanished_ = true;
    } else if (step.change == FollowChange::Failed) {
        statusBar()->showMessage(QStringLiteral("Could not follow %1: %2")
                                     .arg(quoted(path), QString::fromStdString(step.error)));
    } else {
        if (vanished_)
            statusBar()->showMessage(
                QStringLiteral("%1 is back: following it again").arg(quoted(path)));
        vanished_ = false;
        if (step.change == FollowChange::Appended) takeGrowth(step);
    }
}

void ContentView::takeGrowth(const FollowStep& step) {
    if (!loggy_.applyGrowth(step.table)) return;
    followLabel_->setText(QStringLiteral("Following \u00b7 last addition %1")
                              .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
}

void ContentView::reloadFollowed(FollowChange change) {
    watch(nullptr);
    reloadReason_ = reloadText(change, history_->currentPath().toStdString());
    openFile(history_->currentPath());
    statusBar()->showMessage(reloadReason_);
}

void ContentView::awaitFollowed() {
    // Switched off, or another load begun, since: nothing to wait for here.
    if (!follow_->isChecked() || watcher_ || cancelLoad_->isEnabled()) return;
    const QString path = history_->currentPath();
    if (path.isEmpty()) return;
    if (QFileInfo::exists(path))
        openFile(path);
    else
        followRetry_->start();
}

void ContentView::noteListEnd() {
    const QScrollBar* bar = list_->verticalScrollBar();
    showsEnd_ = bar->value() == bar->maximum();
}

void ContentView::keepListEnd() {
    if (showsEnd_) list_->scrollToBottom();
}

}  // namespace quill::ui
