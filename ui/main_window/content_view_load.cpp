// The main window's loads: files are read in the background while the window shows the file
// before, with the progress and a way to stop it in the status bar.

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include "ui/main_window/content_view.h"
#include "ui/main_window/file_history.h"
#include "ui/main_window/list_filter_bar.h"
#include "ui/main_window/stat_list_model.h"
#include "ui/open_file/stat_file_loader.h"
#include "ui/qt_text.h"

namespace quill::ui {

namespace {

constexpr int kProgressSteps = 1000;
/// How often the progress bar follows the load: smooth to the eye, and no cost to the load,
/// which only counts its bytes.
constexpr int kProgressIntervalMs = 40;

}  // namespace

void ContentView::makeLoadIndicator() {
    loader_ = new StatFileLoader(this);
    loader_->setObjectName(QStringLiteral("statFileLoader"));
    connect(loader_, &StatFileLoader::finished, this, &ContentView::finishLoad);

    loadIndicator_ = new QWidget;
    loadIndicator_->setObjectName(QStringLiteral("loadIndicator"));
    loadLabel_ = new QLabel;
    loadProgress_ = new QProgressBar;
    loadProgress_->setObjectName(QStringLiteral("loadProgress"));
    loadProgress_->setTextVisible(false);
    loadProgress_->setFixedWidth(160);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    cancel->setObjectName(QStringLiteral("cancelLoad"));
    cancel->setToolTip(QStringLiteral("Stop reading the file and keep the one shown (Esc)"));
    // Clicking it must not take the focus from the list or the filter field.
    cancel->setFocusPolicy(Qt::NoFocus);
    connect(cancel, &QPushButton::clicked, this, &ContentView::cancelLoad);
    // As wide as its parts: the status bar would otherwise share its room out among them.
    loadIndicator_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    auto* layout = new QHBoxLayout(loadIndicator_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(loadLabel_);
    layout->addWidget(loadProgress_);
    layout->addWidget(cancel);
    // On the right, where the status tips and messages on the left do not cover it.
    statusBar()->addPermanentWidget(loadIndicator_);
    loadIndicator_->hide();

    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(kProgressIntervalMs);
    connect(progressTimer_, &QTimer::timeout, this, &ContentView::showProgress);

    cancelLoad_ = new QAction(QStringLiteral("Cancel Loading"), this);
    cancelLoad_->setObjectName(QStringLiteral("cancelLoading"));
    cancelLoad_->setShortcut(QKeySequence(Qt::Key_Escape));
    cancelLoad_->setShortcutContext(Qt::WindowShortcut);
    cancelLoad_->setEnabled(false);
    connect(cancelLoad_, &QAction::triggered, this, &ContentView::cancelLoad);
    addAction(cancelLoad_);
}

void ContentView::openFile(const QString& path) {
    // While the filter field is open, the new lines are made searchable as they are loaded:
    // made here, once they show, it would hold the window up for a second at a million lines.
    // Followed, a file is read up to its last line feed, and followed from there.
    StatFileLoader::Reader follow;
    if (follow_->isChecked())
        follow = [](const std::string& file, LoadControl* control) {
            return StatFollower::load(file, control);
        };
    loader_->start(path, !filterBar_->isHidden(), std::move(follow));
    loadLabel_->setText(
        QStringLiteral("Loading %1\u2026").arg(toQString(lastPathComponent(path.toStdString()))));
    showLoading(true);
}

void ContentView::cancelLoad() {
    if (!loader_->cancel()) return;
    showLoading(false);
    reloadReason_.clear();
}

void ContentView::showLoading(bool loading) {
    loadIndicator_->setVisible(loading);
    cancelLoad_->setEnabled(loading);
    // While a file loads, Escape stops the load first; the filter field closes on the next.
    filterBar_->yieldEscape(loading);
    if (loading) {
        showProgress();
        progressTimer_->start();
    } else {
        progressTimer_->stop();
    }
}

void ContentView::showProgress() {
    const double done = loader_->progress();
    if (done < 0) {
        loadProgress_->setRange(0, 0);  // the size is not known yet: just busy
        return;
    }
    loadProgress_->setRange(0, kProgressSteps);
    loadProgress_->setValue(static_cast<int>(done * kProgressSteps));
}

void ContentView::finishLoad(const StatLoad& load, const QString& path,
                             const std::shared_ptr<ListSearchIndex>& search) {
    showLoading(false);
    const QString name = toQString(load.fileName);
    const LoadOutcome outcome = loggy_.applyLoad(load);
    // Not kept for a field closed since: it costs about as much as the lines' texts.
    if (search && !filterBar_->isHidden()) listModel_->offerFilterIndex(load.table, search);
    reportLoad(outcome, name);
    history_->noteLoad(path, outcome.status);
    follow_->setEnabled(!history_->currentPath().isEmpty());
    watch(follow_->isChecked() ? load.follower : nullptr);
    // A followed file gone at the moment it was read again (a rotation half done, say) is
    // waited for, as one that vanishes while followed is.
    if (follow_->isChecked() && outcome.status == LoadStatus::ReadFailed) followRetry_->start();
    if (!reloadReason_.isEmpty() && outcome.status == LoadStatus::Loaded)
        statusBar()->showMessage(reloadReason_);
    reloadReason_.clear();
}

void ContentView::reportLoad(const LoadOutcome& outcome, const QString& fileName) {
    if (outcome.status == LoadStatus::ReadFailed) {
        statusBar()->showMessage(QStringLiteral("Could not read \u201c%1\u201d: %2")
                                     .arg(fileName, QString::fromStdString(outcome.error)));
    } else if (outcome.status == LoadStatus::Loaded) {
        // The count beside it tells of the new file; what was said of the last one is old news.
        statusBar()->clearMessage();
    }
}

}  // namespace quill::ui
