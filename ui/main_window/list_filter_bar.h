#pragma once

#include <QWidget>

#include "analysis/time_span.h"

class QAction;
class QLabel;
class QLineEdit;
class QTimer;

namespace quill::ui {

class StatListModel;

/// The status bar's count of the list: "M records", or "N of M records" while filtered, the
/// numbers grouped as the user's locale writes them, and the lines the file held that could not
/// be read, if any: "48 records, 3 lines skipped".
QString recordCountText(const StatListModel& list);

/// The field above the list that filters it. Hidden until its action (Ctrl+F) shows it;
/// Escape clears the filter and hides it again. Typing filters after a short pause, so that a
/// burst of keys on a long list costs one pass, not one per key. A process filter, set from the
/// Processes window, shows here as "Process: NAME" with a button that clears it, and a span of
/// time, set from the plot window, as "Span: FROM – TO".
class ListFilterBar final : public QWidget {
    Q_OBJECT
public:
    /// How long typing must pause before the list is filtered.
    static constexpr int kPauseMs = 120;

    explicit ListFilterBar(StatListModel& list, QWidget* parent = nullptr);

    /// "Filter List" (Ctrl+F): shows the field and puts the cursor in it.
    QAction* showAction() const { return show_; }
    /// Shows the field and adds `text` to it, as if typed there: keys typed in the list.
    void type(const QString& text);
    /// Leaves Escape to the window while `yield` holds: it then has a more urgent use (stopping
    /// a load), and the field closes on the Escape after.
    void yieldEscape(bool yield);
    /// Shows only the lines that list the process `name`, together with the text filter.
    void showProcess(const QString& name);
    /// Shows only the lines whose time lies within `window`, together with the other filters.
    void showSpan(TimeWindow window);
    /// Shows every line's time again; the bar closes when nothing else filters the list.
    void clearSpan();

Q_SIGNALS:
    /// The list shows other rows: after each filtering and after `dismiss()`.
    void applied();
    /// The field hid itself; the window may give the focus back to the list.
    void dismissed();

private:
    void open();
    /// Filters by the field's text now, without waiting for the pause.
    void applyNow();
    /// Clears the filter and hides the field.
    void dismiss();
    /// Clears the process filter; the bar closes with it when no text is typed either.
    void clearProcess();
    /// A label with a button after it that runs `clear`: how the bar shows a restriction set
    /// from another window. `names`: the label's object name, the button's and its tool tip.
    QWidget* makeRestriction(const QStringList& names, QLabel*& label,
                             void (ListFilterBar::*clear)());
    void prepare();
    void updateEscape();

    StatListModel& list_;
    QLineEdit* field_ = nullptr;
    QWidget* processPart_ = nullptr;
    QLabel* processName_ = nullptr;
    QWidget* spanPart_ = nullptr;
    QLabel* spanText_ = nullptr;
    QTimer* pause_ = nullptr;
    QAction* show_ = nullptr;
    QAction* escape_ = nullptr;
    bool escapeYielded_ = false;
};

}  // namespace quill::ui
