#pragma once

#include <QTableView>
#include <functional>

namespace quill::ui {

/// The main list, drawn by `MessageRow`: a table of one column without headers or grid, which
/// reads as a list. A table, because lines added at the end of a followed file cost it their
/// own count: a list view lays every row out again, a tenth of a second at a million rows.
/// Typing filters instead of searching the rows.
class StatListView final : public QTableView {
public:
    explicit StatListView(std::function<void(const QString&)> typed, QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    void keyboardSearch(const QString& text) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    /// Keeps the column as wide as a row needs: the list scrolls sideways only where it
    /// cannot show the end of a name.
    void fitWidth();

    std::function<void(const QString&)> typed_;
};

}  // namespace quill::ui
