#include "ui/main_window/content_view.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>
#include <algorithm>

#include "ui/main_window/file_drop.h"
#include "ui/main_window/file_history.h"
#include "ui/main_window/list_filter_bar.h"
#include "ui/main_window/stat_list_model.h"
#include "ui/main_window/stat_list_view.h"
#include "ui/main_window/toolbar_dialog.h"
#include "ui/window_size.h"

namespace quill::ui {

QIcon themedIcon(const QString& name) {
    return QIcon::fromTheme(name, QIcon(QStringLiteral(":/icons/%1.svg").arg(name)));
}

namespace {

QAction* makeAction(QObject* parent, const QString& id, const QString& title, const QString& icon,
                    const QString& help) {
    auto* action = new QAction(themedIcon(icon), title, parent);
    action->setObjectName(id);
    action->setToolTip(help);
    action->setStatusTip(help);
    return action;
}

}  // namespace

ContentView::ContentView(Quillstat& loggy, WindowOpener& openWindow, FileChooser& chooser,
                         QWidget* parent)
    : QMainWindow(parent), loggy_(loggy), openWindow_(openWindow), chooser_(chooser) {
    listModel_ = new StatListModel(loggy_, this);
    list_ = new StatListView([this](const QString& text) { filterBar_->type(text); });
    list_->setObjectName(QStringLiteral("statList"));
    list_->setModel(listModel_);
    makeListTools();
    makeLoadIndicator();
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->addWidget(filterBar_);
    layout->addWidget(list_);
    setCentralWidget(content);
    statusBar()->setSizeGripEnabled(true);
    history_ = new FileHistory(this, [this](const QString& path) { openFile(path); });
    new FileDrop(
        this, [this](const QString& path) { openFile(path); },
        [this](const QString& reason) { statusBar()->showMessage(reason); });
    makeActions();
    makeFollow();
    makeToolbar();
    makeMenus();
    // Follow the selection, not the current row: Ctrl+click deselects a row but leaves it
    // current, and Chart must then do nothing.
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndexList rows = list_->selectionModel()->selectedRows();
        selection_ = rows.isEmpty() ? std::nullopt : listModel_->lineId(rows.first().row());
    });
    observer_ = new ModelObserver(
        loggy_, [this] { draw(); }, this);
    observer_->drawNow();
    followPlotSpan();
    // Wide enough for a row with a typical log path, where the screen allows it.
    resizeWithinScreen(*this, {1460, 720});
}

void ContentView::draw() {
    setWindowTitle(QStringLiteral("Quillometer: ") + QString::fromStdString(loggy_.fileName()));
    listModel_->refresh();
}

void ContentView::makeActions() {
    read_ = makeAction(this, QStringLiteral("readstats"), QStringLiteral("Read JSONL"),
                       QStringLiteral("document-open"),
                       QStringLiteral("Read statistics from JSON Line file"));
    read_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    chart_ = makeAction(this, QStringLiteral("chart"), QStringLiteral("Chart selection"),
                        QStringLiteral("office-chart-bar"),
                        QStringLiteral("Chart entries for the first selected log file"));
    chart_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    plot_ = makeAction(this, QStringLiteral("plot"), QStringLiteral("Plot all logs"),
                       QStringLiteral("office-chart-scatter"),
                       QStringLiteral("Plot summary data for all logs"));
    help_ =
        makeAction(this, QStringLiteral("help"), QStringLiteral("Quillometer Help"),
                   QStringLiteral("help-contents"), QStringLiteral("Show the Quillometer manual"));
    about_ = new QAction(QStringLiteral("&About Quillometer"), this);
    about_->setObjectName(QStringLiteral("about"));
    // Also in the View menu: with every item hidden, the toolbar leaves nothing to right-click.
    customizeToolbar_ = new QAction(QStringLiteral("Customize &Toolbar\u2026"), this);
    customizeToolbar_->setObjectName(QStringLiteral("customizeToolbar"));
    connect(customizeToolbar_, &QAction::triggered, this, &ContentView::customizeToolbar);
    for (QAction* action : {read_, chart_, plot_}) addAction(action);
    connect(read_, &QAction::triggered, this, [this] {
        chooser_.chooseStatFile(this, [this](int response, std::optional<FileLocation> location) {
            // A cancel, or a choice that is not a local file, changes nothing.
            if (const auto path = chosenPath(response, location))
                openFile(QString::fromStdString(*path));
        });
    });
    connect(chart_, &QAction::triggered, this, &ContentView::chartSelection);
    connect(plot_, &QAction::triggered, this, [this] { openWindow_.openWindow(WindowId::Plot); });
    connect(help_, &QAction::triggered, this, [this] { openWindow_.openWindow(WindowId::Help); });
    connect(about_, &QAction::triggered, this, [this] { openWindow_.openWindow(WindowId::About); });
}

void ContentView::makeToolbar() {
    toolbar_ = addToolBar(QStringLiteral("Toolbar"));
    toolbar_->setObjectName(QStringLiteral("ContentView.toolbar"));
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar_->setMovable(false);
    // Each item is a button of its own, so hiding it from the toolbar leaves its command and
    // shortcut working.
    for (QAction* action : {read_, chart_, plot_}) {
        auto* button = new QToolButton;
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        QAction* item = toolbar_->addWidget(button);
        item->setObjectName(action->objectName() + QStringLiteral(".item"));
        item->setText(action->text());
        item->setData(action->objectName());
    }
    arrangeToolbar(storedToolbar(toolbarItems()));
    toolbar_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(toolbar_, &QWidget::customContextMenuRequested, this, &ContentView::showToolbarMenu);
}

QList<ToolbarItem> ContentView::toolbarItems() const {
    QList<ToolbarItem> items;
    for (const QAction* item : toolbar_->actions())
        items.append({item->data().toString(), item->text(), item->isVisible()});
    return items;
}

void ContentView::arrangeToolbar(const QList<ToolbarItem>& items) {
    const QList<QAction*> actions = toolbar_->actions();
    for (const ToolbarItem& wanted : items) {
        const auto item = std::ranges::find_if(
            actions, [&wanted](const QAction* a) { return a->data().toString() == wanted.name; });
        if (item == actions.end()) continue;
        // Taken out and put back at the end: the items come to stand in the order given.
        toolbar_->removeAction(*item);
        toolbar_->addAction(*item);
        (*item)->setVisible(wanted.shown);
    }
}

void ContentView::customizeToolbar() {
    QList<ToolbarItem> defaults;
    for (const QAction* action : {read_, chart_, plot_})
        defaults.append({action->objectName(), action->text(), true});
    auto* dialog = new ToolbarDialog(toolbarItems(), defaults, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        arrangeToolbar(dialog->items());
        storeToolbar(toolbarItems());
    });
    dialog->open();
}

void ContentView::showToolbarMenu(const QPoint& position) {
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("toolbarMenu"));
    for (QAction* item : toolbar_->actions()) {
        QAction* toggle = menu.addAction(item->text());
        toggle->setCheckable(true);
        toggle->setChecked(item->isVisible());
        connect(toggle, &QAction::toggled, this, [this, item](bool shown) {
            item->setVisible(shown);
            storeToolbar(toolbarItems());
        });
    }
    menu.addSeparator();
    menu.addAction(customizeToolbar_);
    menu.exec(toolbar_->mapToGlobal(position));
}

void ContentView::makeMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(read_);
    file->addMenu(history_->recentMenu());
    file->addAction(history_->reloadAction());
    file->addSeparator();
    file->addAction(exportList_);
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->addAction(chart_);
    view->addAction(plot_);
    QAction* processes = view->addAction(QStringLiteral("&Processes"), this,
                                         [this] { openWindow_.openWindow(WindowId::Processes); });
    processes->setObjectName(QStringLiteral("processes"));
    processes->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    processes->setStatusTip(QStringLiteral("Show what each process wrote over the whole file"));
    view->addAction(follow_);
    view->addSeparator();
    view->addAction(filterBar_->showAction());
    view->addAction(customizeToolbar_);
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    help->addAction(help_);
    help->addAction(about_);
}

void ContentView::chartSelection() {
    if (!selection_) return;
    // Only a line the list shows: a selection from before the last load, or one the filter
    // hides, is nothing to chart.
    const auto line = listModel_->line(listModel_->rowOf(*selection_));
    if (!line) return;
    openWindow_.openWindow(WindowId::Chart);
    loggy_.selectStat(*line);
}

}  // namespace quill::ui
