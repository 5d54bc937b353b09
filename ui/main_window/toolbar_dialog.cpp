#include "ui/main_window/toolbar_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>
#include <algorithm>

namespace quill::ui {

namespace {

// Beside the recent files, in ~/.config/Quillometer/Quillometer.conf under [toolbar].
const QString kOrderKey = QStringLiteral("toolbar/order");
const QString kHiddenKey = QStringLiteral("toolbar/hidden");
constexpr int kNameRole = Qt::UserRole;

}  // namespace

QList<ToolbarItem> storedToolbar(const QList<ToolbarItem>& defaults) {
    const QSettings settings;
    const QStringList order = settings.value(kOrderKey).toStringList();
    const QStringList hidden = settings.value(kHiddenKey).toStringList();
    QList<ToolbarItem> items;
    const auto placed = [&items](const QString& name) {
        return std::ranges::any_of(items, [&name](const ToolbarItem& i) { return i.name == name; });
    };
    for (const QString& name : order) {
        const auto known = std::ranges::find(defaults, name, &ToolbarItem::name);
        if (known == defaults.end() || placed(name)) continue;
        items.append({known->name, known->text, !hidden.contains(name)});
    }
    for (const ToolbarItem& item : defaults)
        if (!placed(item.name)) items.append({item.name, item.text, true});
    return items;
}

void storeToolbar(const QList<ToolbarItem>& items) {
    QStringList order;
    QStringList hidden;
    for (const ToolbarItem& item : items) {
        order << item.name;
        if (!item.shown) hidden << item.name;
    }
    QSettings settings;
    settings.setValue(kOrderKey, order);
    // An empty list would read "@Invalid()" in the file.
    if (hidden.isEmpty())
        settings.remove(kHiddenKey);
    else
        settings.setValue(kHiddenKey, hidden);
}

ToolbarDialog::ToolbarDialog(const QList<ToolbarItem>& items, QList<ToolbarItem> defaults,
                             QWidget* parent)
    : QDialog(parent), defaults_(std::move(defaults)) {
    setObjectName(QStringLiteral("toolbarDialog"));
    setWindowTitle(QStringLiteral("Customize Toolbar"));
    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("toolbarItems"));
    up_ = new QPushButton(QStringLiteral("Move &Up"));
    up_->setObjectName(QStringLiteral("moveUp"));
    down_ = new QPushButton(QStringLiteral("Move &Down"));
    down_->setObjectName(QStringLiteral("moveDown"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                         QDialogButtonBox::RestoreDefaults);
    auto* side = new QVBoxLayout;
    side->addWidget(up_);
    side->addWidget(down_);
    side->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addWidget(list_, 1);
    row->addLayout(side);
    auto* stack = new QVBoxLayout(this);
    stack->addWidget(
        new QLabel(QStringLiteral("Tick the items to show, in the order to show them:")));
    stack->addLayout(row);
    stack->addWidget(buttons);
    connect(up_, &QPushButton::clicked, this, [this] { move(-1); });
    connect(down_, &QPushButton::clicked, this, [this] { move(1); });
    connect(list_, &QListWidget::currentRowChanged, this, &ToolbarDialog::followCurrent);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
            [this] { fill(defaults_); });
    fill(items);
}

void ToolbarDialog::fill(const QList<ToolbarItem>& items) {
    list_->clear();
    for (const ToolbarItem& item : items) {
        auto* row = new QListWidgetItem(item.text, list_);
        row->setData(kNameRole, item.name);
        row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        row->setCheckState(item.shown ? Qt::Checked : Qt::Unchecked);
    }
    list_->setCurrentRow(0);
    followCurrent();
}

QList<ToolbarItem> ToolbarDialog::items() const {
    QList<ToolbarItem> items;
    for (int i = 0; i < list_->count(); ++i) {
        const QListWidgetItem* row = list_->item(i);
        items.append(
            {row->data(kNameRole).toString(), row->text(), row->checkState() == Qt::Checked});
    }
    return items;
}

void ToolbarDialog::move(int step) {
    const int from = list_->currentRow();
    const int to = from + step;
    if (from < 0 || to < 0 || to >= list_->count()) return;
    list_->insertItem(to, list_->takeItem(from));
    list_->setCurrentRow(to);
}

void ToolbarDialog::followCurrent() {
    const int row = list_->currentRow();
    up_->setEnabled(row > 0);
    down_->setEnabled(row >= 0 && row + 1 < list_->count());
}

}  // namespace quill::ui
