#include "ui/main_window/list_filter_bar.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include "analysis/date_format.h"
#include "ui/main_window/stat_list_model.h"
#include "ui/qt_text.h"

namespace quill::ui {

QString recordCountText(const StatListModel& list) {
    const QLocale locale;
    const int total = list.totalRows();
    QString text = locale.toString(total);
    if (list.isFiltered()) text = locale.toString(list.rowCount()) + QStringLiteral(" of ") + text;
    text += total == 1 ? QStringLiteral(" record") : QStringLiteral(" records");
    const std::uint64_t skipped = list.table().skippedLines();
    if (skipped == 0) return text;
    return text + QStringLiteral(", %1 %2 skipped")
                      .arg(locale.toString(static_cast<qulonglong>(skipped)),
                           skipped == 1 ? QStringLiteral("line") : QStringLiteral("lines"));
}

ListFilterBar::ListFilterBar(StatListModel& list, QWidget* parent) : QWidget(parent), list_(list) {
    setObjectName(QStringLiteral("listFilterBar"));
    field_ = new QLineEdit;
    field_->setObjectName(QStringLiteral("listFilter"));
    field_->setPlaceholderText(QStringLiteral("Filter by time, interval, size, rate or file"));
    field_->setClearButtonEnabled(true);
    // A file dropped here is meant for the window, which opens it, not for the field as text.
    field_->setAcceptDrops(false);
    auto* label = new QLabel(QStringLiteral("Filter:"));
    label->setBuddy(field_);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    processPart_ = makeRestriction({QStringLiteral("processFilter"), QStringLiteral("clearProcess"),
                                    QStringLiteral("Show the records of every process")},
                                   processName_, &ListFilterBar::clearProcess);
    spanPart_ = makeRestriction({QStringLiteral("spanFilter"), QStringLiteral("clearSpan"),
                                 QStringLiteral("Show the records of every time")},
                                spanText_, &ListFilterBar::clearSpan);
    layout->addWidget(processPart_);
    layout->addWidget(spanPart_);
    layout->addWidget(label);
    layout->addWidget(field_);

    pause_ = new QTimer(this);
    pause_->setSingleShot(true);
    pause_->setInterval(kPauseMs);
    connect(pause_, &QTimer::timeout, this, &ListFilterBar::applyNow);
    connect(field_, &QLineEdit::textChanged, pause_, qOverload<>(&QTimer::start));
    connect(field_, &QLineEdit::returnPressed, this, &ListFilterBar::applyNow);

    show_ = new QAction(QStringLiteral("&Filter List"), this);
    show_->setObjectName(QStringLiteral("filter"));
    show_->setShortcut(QKeySequence::Find);
    show_->setStatusTip(QStringLiteral("Show only the rows that contain a text"));
    connect(show_, &QAction::triggered, this, &ListFilterBar::open);
    // Escape belongs to the field only while it shows, wherever the focus is in the window.
    escape_ = new QAction(this);
    escape_->setShortcut(QKeySequence(Qt::Key_Escape));
    escape_->setShortcutContext(Qt::WindowShortcut);
    escape_->setEnabled(false);
    connect(escape_, &QAction::triggered, this, &ListFilterBar::dismiss);
    addAction(escape_);
    // A load while the field is open, still empty: ready the new lines for the first key.
    connect(&list_, &QAbstractItemModel::modelReset, this, [this] {
        if (isVisible() && !list_.filterPrepared())
            QTimer::singleShot(0, this, [this] {
                if (isVisible()) prepare();
            });
    });
    hide();
}

QWidget* ListFilterBar::makeRestriction(const QStringList& names, QLabel*& label,
                                        void (ListFilterBar::*clear)()) {
    auto* part = new QWidget;
    label = new QLabel;
    label->setObjectName(names[0]);
    label->setTextFormat(Qt::PlainText);
    auto* button = new QToolButton;
    button->setObjectName(names[1]);
    button->setIcon(QIcon::fromTheme(QStringLiteral("edit-clear"),
                                     style()->standardIcon(QStyle::SP_LineEditClearButton)));
    button->setToolTip(names[2]);
    button->setAutoRaise(true);
    connect(button, &QToolButton::clicked, this, clear);
    auto* layout = new QHBoxLayout(part);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(button);
    part->hide();
    return part;
}

void ListFilterBar::showProcess(const QString& name) {
    list_.setProcessFilter(name.toStdString());
    processName_->setText(QStringLiteral("Process: ") + name);
    processPart_->show();
    show();
    updateEscape();
    Q_EMIT applied();
}

void ListFilterBar::clearProcess() {
    if (field_->text().isEmpty() && !list_.timeWindow()) return dismiss();
    list_.setProcessFilter(std::nullopt);
    processPart_->hide();
    Q_EMIT applied();
}

void ListFilterBar::showSpan(TimeWindow window) {
    list_.setTimeWindow(window);
    // The times as the list writes them, in the same zone.
    DateFormatter dates(DateFormatter::Pattern::TimeFirst);
    spanText_->setText(
        QStringLiteral("Span: %1 \u2013 %2")
            .arg(toQString(dates.format(window.from)), toQString(dates.format(window.to))));
    spanPart_->show();
    show();
    updateEscape();
    Q_EMIT applied();
}

void ListFilterBar::clearSpan() {
    if (!list_.timeWindow()) return;
    if (field_->text().isEmpty() && !list_.processFilter()) return dismiss();
    list_.setTimeWindow(std::nullopt);
    spanPart_->hide();
    Q_EMIT applied();
}

void ListFilterBar::open() {
    show();
    prepare();
    updateEscape();
    field_->setFocus(Qt::ShortcutFocusReason);
    field_->selectAll();
}

void ListFilterBar::type(const QString& text) {
    open();
    field_->end(false);
    field_->insert(text);
}

void ListFilterBar::prepare() {
    if (list_.filterPrepared()) return;
    // The field shows first, then the list is made searchable under the busy cursor: the
    // pause comes once, here, and not at the first key.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    list_.prepareFilter();
    QApplication::restoreOverrideCursor();
}

void ListFilterBar::yieldEscape(bool yield) {
    escapeYielded_ = yield;
    updateEscape();
}

void ListFilterBar::updateEscape() {
    // Two enabled actions on one key would both stay silent, as Qt finds the key ambiguous.
    escape_->setEnabled(!isHidden() && !escapeYielded_);
}

void ListFilterBar::applyNow() {
    pause_->stop();
    const std::string needle = field_->text().toStdString();
    if (needle == list_.filter()) return;
    list_.setFilter(needle);
    Q_EMIT applied();
}

void ListFilterBar::dismiss() {
    pause_->stop();
    const bool wasFiltered = list_.isFiltered();
    {
        const QSignalBlocker quiet(field_);
        field_->clear();
    }
    list_.setFilter({});
    list_.setProcessFilter(std::nullopt);
    list_.setTimeWindow(std::nullopt);
    processPart_->hide();
    spanPart_->hide();
    // A long list's index is as large as its texts: not kept while nobody filters.
    list_.releaseFilterIndex();
    hide();
    updateEscape();
    if (wasFiltered) Q_EMIT applied();
    Q_EMIT dismissed();
}

}  // namespace quill::ui
