#include "ui/open_file/stat_file_loader.h"

#include <QFile>
#include <QMetaObject>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <new>
#include <system_error>
#include <thread>

namespace quill::ui {

struct StatFileLoader::Job {
    QString path;
    std::string localPath;  ///< as the file system spells it
    Reader reader;          ///< its own copy: the loader's may change while it runs
    bool searchable = false;
    LoadControl control;
    std::atomic<std::uint64_t> size{0};  ///< the file's, once the worker has looked
    std::thread thread;
};

namespace {

StatLoad failedLoad(const std::string& path, std::string reason) {
    return {LoadStatus::ReadFailed,
            std::string(lastPathComponent(path)),
            nullptr,
            std::move(reason),
            {}};
}

}  // namespace

StatFileLoader::StatFileLoader(QObject* parent)
    : QObject(parent), reader_([](const std::string& path, LoadControl* control) {
          return readStatPath(path, control);
      }) {}

StatFileLoader::~StatFileLoader() {
    for (const auto& job : jobs_) job->control.cancel();
    // Each stops at its next chunk. What they post to this object goes with it.
    for (const auto& job : jobs_)
        if (job->thread.joinable()) job->thread.join();
}

void StatFileLoader::setReader(Reader reader) {
    reader_ = std::move(reader);
}

void StatFileLoader::start(const QString& path, bool searchable, Reader reader) {
    cancel();
    auto owned = std::make_unique<Job>();
    Job& job = *owned;
    job.path = path;
    job.localPath = QFile::encodeName(path).toStdString();
    job.reader = reader ? std::move(reader) : reader_;
    job.searchable = searchable;
    jobs_.push_back(std::move(owned));
    current_ = &job;
    try {
        job.thread = std::thread([this, &job] { run(job); });
    } catch (const std::system_error& error) {
        // Out of threads: the load fails as a read would, and is reported the same way, later.
        QMetaObject::invokeMethod(
            this,
            [this, &job, load = failedLoad(job.localPath, error.what())] {
                end(&job, load, nullptr);
            },
            Qt::QueuedConnection);
    }
}

bool StatFileLoader::cancel() {
    if (!current_) return false;
    current_->control.cancel();
    current_ = nullptr;
    return true;
}

double StatFileLoader::progress() const {
    if (!current_) return 0;
    const std::uint64_t size = current_->size.load(std::memory_order_relaxed);
    if (size == 0) return -1;
    return std::min(1.0,
                    static_cast<double>(current_->control.bytesDone()) / static_cast<double>(size));
}

void StatFileLoader::run(Job& job) {
    std::error_code sizeError;
    const std::uintmax_t size = std::filesystem::file_size(job.localPath, sizeError);
    if (!sizeError) job.size.store(size, std::memory_order_relaxed);
    StatLoad load;
    try {
        load = job.reader(job.localPath, &job.control);
    } catch (const std::bad_alloc&) {
        load = failedLoad(job.localPath, "not enough memory to hold it");
    } catch (const std::exception& error) {
        load = failedLoad(job.localPath, error.what());
    }
    std::shared_ptr<ListSearchIndex> search;
    if (job.searchable && load.table && !job.control.cancelled()) {
        try {
            search = std::make_shared<ListSearchIndex>(*load.table);
        } catch (const std::bad_alloc&) {
            // Not needed to show the lines: the list makes it itself when it needs it.
        }
    }
    // Whether the load still counts is for the window's thread alone to say, where the cancel
    // happens: a check here would race with it. Dropping a million lines there takes 5 ms.
    QMetaObject::invokeMethod(
        this,
        [this, &job, load = std::move(load), search = std::move(search)]() mutable {
            end(&job, std::move(load), std::move(search));
        },
        Qt::QueuedConnection);
}

void StatFileLoader::end(Job* job, StatLoad load, std::shared_ptr<ListSearchIndex> search) {
    const auto it = std::find_if(jobs_.begin(), jobs_.end(),
                                 [job](const auto& owned) { return owned.get() == job; });
    if (it == jobs_.end()) return;
    // Posting this was the thread's last act.
    if (job->thread.joinable()) job->thread.join();
    const bool delivered = job == current_;
    const QString path = job->path;
    if (delivered) current_ = nullptr;
    jobs_.erase(it);
    if (delivered) Q_EMIT finished(load, path, search);
}

}  // namespace quill::ui
