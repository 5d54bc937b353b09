#pragma once

#include <QStringList>

namespace quill::ui {

/// The files loaded last, newest first, kept in the application's settings so that the list
/// outlives the run. Read afresh on every call: another running instance may have added one.
class RecentFiles {
public:
    static constexpr qsizetype kMaxEntries = 10;

    /// Newest first, at most kMaxEntries, each an absolute path held once.
    QStringList paths() const;
    /// Puts `path` first, dropping an older entry for the same file and the oldest beyond the
    /// cap. A relative path is taken from the current directory.
    void add(const QString& path);
    void clear();

private:
    void store(const QStringList& paths);
};

}  // namespace quill::ui
