#pragma once

#include <QObject>
#include <memory>
#include <thread>

#include "analysis/stat_follow.h"

class QFileSystemWatcher;
class QTimer;

namespace quill::ui {

/// Keeps looking at a followed file: whenever the file system says it or its folder changed,
/// and once a second besides, for file systems that say nothing. Each look (`StatFollower::poll`)
/// runs on a worker thread, one at a time; a change that arrives during a look brings one more
/// look after it. The file is open only during a look. Each look's finding is delivered on the
/// thread that owns the watcher; after one that needs a reload, the watcher stops looking.
///
/// Destroying the watcher waits for a look under way: a look reads only what the file gained.
class FileFollowWatcher final : public QObject {
    Q_OBJECT
public:
    explicit FileFollowWatcher(std::shared_ptr<StatFollower> follower, QObject* parent = nullptr);
    ~FileFollowWatcher() override;

    /// Looks at the file now, or once more after the look under way.
    void look();

Q_SIGNALS:
    void stepped(const quill::FollowStep& step);

private:
    void startLook();
    void endLook(FollowStep step);
    /// Watches the file again once it is back: a watch ends with the file it was made on.
    void watchFile();

    std::shared_ptr<StatFollower> follower_;
    QFileSystemWatcher* files_ = nullptr;
    QTimer* timer_ = nullptr;
    std::thread look_;
    bool looking_ = false;
    bool again_ = false;
};

}  // namespace quill::ui
