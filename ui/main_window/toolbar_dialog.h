#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class QListWidget;
class QPushButton;

namespace quill::ui {

/// An item of the main window's toolbar: the name it is kept under, the text it shows, and
/// whether the toolbar shows it.
struct ToolbarItem {
    QString name;
    QString text;
    bool shown = true;
    friend bool operator==(const ToolbarItem&, const ToolbarItem&) = default;
};

/// The toolbar's items in the order and with the visibility kept in the application's settings,
/// as `defaults` (every item, in its first order) lays them out where nothing is kept. The
/// settings file is the user's to edit: a name it does not know, or names twice, is passed over,
/// and an item it does not name comes after those it does, shown.
QList<ToolbarItem> storedToolbar(const QList<ToolbarItem>& defaults);
void storeToolbar(const QList<ToolbarItem>& items);

/// Shows, hides and orders the toolbar's items: a list with a check box for each, Move Up,
/// Move Down and Restore Defaults.
class ToolbarDialog final : public QDialog {
    Q_OBJECT
public:
    ToolbarDialog(const QList<ToolbarItem>& items, QList<ToolbarItem> defaults,
                  QWidget* parent = nullptr);

    /// The items as the dialog shows them now.
    QList<ToolbarItem> items() const;

private:
    void fill(const QList<ToolbarItem>& items);
    /// Moves the current item `step` rows down, or up where negative.
    void move(int step);
    void followCurrent();

    QList<ToolbarItem> defaults_;
    QListWidget* list_ = nullptr;
    QPushButton* up_ = nullptr;
    QPushButton* down_ = nullptr;
};

}  // namespace quill::ui
