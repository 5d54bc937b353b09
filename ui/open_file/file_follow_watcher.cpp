#include "ui/open_file/file_follow_watcher.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMetaObject>
#include <QTimer>
#include <new>
#include <system_error>

namespace quill::ui {

namespace {

/// For file systems that tell of no change, such as network shares.
constexpr int kLookIntervalMs = 1000;

FollowStep failedStep(std::string error) {
    return {FollowChange::Failed, nullptr, std::move(error)};
}

}  // namespace

FileFollowWatcher::FileFollowWatcher(std::shared_ptr<StatFollower> follower, QObject* parent)
    : QObject(parent), follower_(std::move(follower)) {
    files_ = new QFileSystemWatcher(this);
    // The folder tells of a file put in the name's place, or taken away.
    files_->addPath(QFileInfo(QFile::decodeName(follower_->path().c_str())).absolutePath());
    watchFile();
    connect(files_, &QFileSystemWatcher::fileChanged, this, &FileFollowWatcher::look);
    connect(files_, &QFileSystemWatcher::directoryChanged, this, &FileFollowWatcher::look);
    timer_ = new QTimer(this);
    timer_->setInterval(kLookIntervalMs);
    connect(timer_, &QTimer::timeout, this, &FileFollowWatcher::look);
    timer_->start();
}

FileFollowWatcher::~FileFollowWatcher() {
    // What the look posts to this object goes with it.
    if (look_.joinable()) look_.join();
}

void FileFollowWatcher::look() {
    if (looking_) {
        again_ = true;
        return;
    }
    startLook();
}

void FileFollowWatcher::startLook() {
    if (look_.joinable()) look_.join();
    looking_ = true;
    again_ = false;
    try {
        look_ = std::thread([this, follower = follower_] {
            FollowStep step;
            try {
                step = follower->poll();
            } catch (const std::bad_alloc&) {
                step = failedStep("not enough memory to hold it");
            } catch (const std::exception& error) {
                step = failedStep(error.what());
            }
            QMetaObject::invokeMethod(
                this, [this, step = std::move(step)]() mutable { endLook(std::move(step)); },
                Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        looking_ = false;  // out of threads: the next tick tries again
    }
}

void FileFollowWatcher::endLook(FollowStep step) {
    // Posting this was the thread's last act.
    if (look_.joinable()) look_.join();
    looking_ = false;
    watchFile();
    if (needsReload(step.change)) {
        // The follower is spent: the file must be read again, and followed anew.
        timer_->stop();
        files_->disconnect(this);
        again_ = false;
    }
    const bool again = again_;
    Q_EMIT stepped(step);
    if (again) startLook();
}

void FileFollowWatcher::watchFile() {
    const QString path = QFile::decodeName(follower_->path().c_str());
    if (!files_->files().contains(path) && QFileInfo::exists(path)) files_->addPath(path);
}

}  // namespace quill::ui
