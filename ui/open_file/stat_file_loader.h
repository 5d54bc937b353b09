#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/list_filter.h"
#include "analysis/stat_load.h"

namespace quill::ui {

/// Reads statistics files on a worker thread and hands each finished load back on the thread
/// that owns the loader, ready for `Quillstat::applyLoad`. The model is not touched while a
/// file is read, so the windows go on showing the previous file, and answering, until the
/// new one is whole.
///
/// One load at a time: starting one cancels the load in progress, and a cancelled load is
/// never delivered, even one that had finished and was already on its way. Destroying the
/// loader cancels its load and waits for the thread, which stops at its next chunk.
class StatFileLoader final : public QObject {
    Q_OBJECT
public:
    /// Reads the file at `path` as `readStatPath` does, on the worker thread.
    using Reader = std::function<StatLoad(const std::string& path, LoadControl* control)>;

    explicit StatFileLoader(QObject* parent = nullptr);
    ~StatFileLoader() override;

    /// Reads with `reader` from now on, instead of `readStatPath`: a seam for sources that
    /// are not plain files, and for tests that hold a load at a chosen point.
    void setReader(Reader reader);

    /// Starts reading `path`, cancelling the load in progress. With `searchable`, the lines
    /// read are also made searchable there, so that a list filtering them need not pause.
    /// `reader`, where given, reads this load alone (a file to follow, say).
    void start(const QString& path, bool searchable = false, Reader reader = {});
    /// Cancels the load in progress; returns whether there was one.
    bool cancel();
    /// Whether every worker thread has ended, those of cancelled loads included.
    bool idle() const { return jobs_.empty(); }
    /// The share of the file read so far, from 0 to 1; -1 while its size is not known.
    double progress() const;

Q_SIGNALS:
    /// The load of `path` ended, with the file read or not; never sent for a cancelled load.
    /// `search` holds its lines made searchable, when that was asked for and they were read.
    void finished(const quill::StatLoad& load, const QString& path,
                  const std::shared_ptr<quill::ListSearchIndex>& search);

private:
    struct Job;
    void run(Job& job);
    void end(Job* job, StatLoad load, std::shared_ptr<ListSearchIndex> search);

    Reader reader_;
    std::vector<std::unique_ptr<Job>> jobs_;  ///< started and not yet ended, cancelled or not
    Job* current_ = nullptr;                  ///< the one not cancelled, if any
};

}  // namespace quill::ui
