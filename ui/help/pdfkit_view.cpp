#include "ui/help/pdfkit_view.h"

#include <QAction>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace quill::ui {

namespace {

constexpr int kPageMargin = 8;
constexpr qreal kZoomStep = 1.25;

QToolButton* makeBarButton(QWidget* parent, const QString& name, const QString& tip) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setToolTip(tip);
    button->setAutoRaise(true);
    // A click must leave the keyboard focus on the page, where the page keys act.
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QToolButton* makePageButton(QWidget* parent, const QString& name, const QString& text,
                            QStyle::StandardPixmap icon, const QString& tip) {
    QToolButton* button = makeBarButton(parent, name, tip);
    button->setText(text);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return button;
}

/// QPdfView's scale from points to pixels at a zoom of 1; it reads the primary screen once.
qreal screenResolution() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return (screen ? screen->logicalDotsPerInch() : 96.0) / 72.0;
}

/// Where the middle of the view lies along a scroll bar, from 0 to 1 of the document's length.
qreal middleOf(const QScrollBar& bar) {
    const qreal length = bar.maximum() - bar.minimum() + bar.pageStep();
    return length > 0 ? (bar.value() + bar.pageStep() / 2.0) / length : 0.5;
}

void scrollMiddleTo(QScrollBar& bar, qreal at) {
    const qreal length = bar.maximum() - bar.minimum() + bar.pageStep();
    bar.setValue(qRound(at * length - bar.pageStep() / 2.0));
}

}  // namespace

PDFKitView::PDFKitView(const QString& url, QWidget* parent)
    : QWidget(parent), url_(url), pdfView_(new QPdfView(this)) {
    pdfView_->setObjectName(QStringLiteral("pdfView"));
    openDocument();
    // Fitted to the width, the text reads at the size of a printed page in a window no larger
    // than one: the pages then run on below the window, scrolled through like a web page.
    pdfView_->setPageMode(QPdfView::PageMode::MultiPage);
    pdfView_->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    pdfView_->setDocumentMargins(QMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin));
    pdfView_->setPageSpacing(kPageMargin);
    // The scroll area would scroll by a screen for the page keys, which turn pages here; the
    // viewport's size decides the fitted zoom shown in the page bar.
    pdfView_->installEventFilter(this);
    pdfView_->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pdfView_, 1);
    layout->addWidget(makePageBar());
    setFocusProxy(pdfView_);

    connect(pdfView_->pageNavigator(), &QPdfPageNavigator::currentPageChanged, this,
            &PDFKitView::updatePageBar);
    updatePageBar();
    updateZoomControls();
}

void PDFKitView::openDocument() {
    auto* document = new QPdfDocument(this);
    const QPdfDocument::Error error = document->load(url_);
    if (error != QPdfDocument::Error::None || document->status() != QPdfDocument::Status::Ready ||
        document->pageCount() < 1) {
        delete document;
        return;
    }
    document_ = document;
    pdfView_->setDocument(document_);
}

QWidget* PDFKitView::makePageBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("pageBar"));
    previous_ = makePageButton(bar, QStringLiteral("previousPage"), tr("Previous"),
                               QStyle::SP_ArrowBack, tr("Previous page (Page Up)"));
    next_ = makePageButton(bar, QStringLiteral("nextPage"), tr("Next"), QStyle::SP_ArrowForward,
                           tr("Next page (Page Down)"));
    // Arrow after the word, pointing the way the button turns.
    next_->setLayoutDirection(Qt::RightToLeft);
    indicator_ = new QLabel(bar);
    indicator_->setObjectName(QStringLiteral("pageIndicator"));
    indicator_->setAlignment(Qt::AlignCenter);
    // Wide enough for any page number, so the buttons stay put while the pages turn.
    indicator_->setMinimumWidth(
        indicator_->fontMetrics().horizontalAdvance(tr("Page %1 of %2").arg(888).arg(888)) + 16);
    connect(previous_, &QToolButton::clicked, this, &PDFKitView::showPreviousPage);
    connect(next_, &QToolButton::clicked, this, &PDFKitView::showNextPage);

    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->addStretch(1);
    layout->addWidget(previous_);
    layout->addWidget(indicator_);
    layout->addWidget(next_);
    layout->addStretch(1);
    layout->addWidget(makeZoomControls(bar));
    return bar;
}

QWidget* PDFKitView::makeZoomControls(QWidget* bar) {
    const auto makeAction = [this](const QString& text, QList<QKeySequence> keys) {
        auto* action = new QAction(text, this);
        action->setShortcuts(keys);
        // Wherever the focus is in the help window, the page or a button of its bar.
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
        return action;
    };
    zoomIn_ = makeAction(QStringLiteral("+"), {QKeySequence::ZoomIn, Qt::CTRL | Qt::Key_Equal});
    zoomOut_ = makeAction(QStringLiteral("\u2212"), {QKeySequence::ZoomOut});
    fitWidth_ = makeAction(tr("Fit Width"), {Qt::CTRL | Qt::Key_0});
    zoomIn_->setToolTip(tr("Zoom in (Ctrl++)"));
    zoomOut_->setToolTip(tr("Zoom out (Ctrl+\u2212)"));
    fitWidth_->setToolTip(tr("Fit the page to the window's width (Ctrl+0)"));
    connect(zoomIn_, &QAction::triggered, this, &PDFKitView::zoomIn);
    connect(zoomOut_, &QAction::triggered, this, &PDFKitView::zoomOut);
    connect(fitWidth_, &QAction::triggered, this, &PDFKitView::fitToWidth);

    auto* controls = new QWidget(bar);
    auto* layout = new QHBoxLayout(controls);
    layout->setContentsMargins(0, 0, 0, 0);
    zoomLabel_ = new QLabel(controls);
    zoomLabel_->setObjectName(QStringLiteral("zoomLevel"));
    zoomLabel_->setAlignment(Qt::AlignCenter);
    zoomLabel_->setMinimumWidth(
        zoomLabel_->fontMetrics().horizontalAdvance(QStringLiteral("888 %")));
    for (QAction* action : {zoomOut_, zoomIn_, fitWidth_}) {
        QToolButton* button = makeBarButton(controls, QString(), action->toolTip());
        button->setDefaultAction(action);
        layout->addWidget(button);
        if (action == zoomOut_) layout->addWidget(zoomLabel_);
    }
    return controls;
}

int PDFKitView::pageCount() const {
    return document_ ? document_->pageCount() : 0;
}

int PDFKitView::currentPage() const {
    return pdfView_->pageNavigator()->currentPage();
}

void PDFKitView::showPage(int page) {
    const int count = pageCount();
    if (count == 0) return;
    const int target = std::clamp(page, 0, count - 1);
    if (target != currentPage()) pdfView_->pageNavigator()->jump(target, QPointF());
    // The view scrolls a page's edge to the top of the window when it turns to it, but not to
    // the page in hand: show the page's top, with the margin above it, either way.
    pdfView_->verticalScrollBar()->setValue(pageTop(target) - kPageMargin);
}

void PDFKitView::updatePageBar() {
    const int count = pageCount();
    const int page = currentPage();
    indicator_->setText(count == 0 ? tr("No pages") : tr("Page %1 of %2").arg(page + 1).arg(count));
    indicator_->setEnabled(count > 0);
    previous_->setEnabled(count > 0 && page > 0);
    next_->setEnabled(count > 0 && page < count - 1);
}

void PDFKitView::updateZoomControls() {
    const qreal zoom = zoomFactor();
    zoomLabel_->setText(document_ ? QStringLiteral("%1 %").arg(qRound(zoom * 100)) : QString());
    zoomLabel_->setEnabled(document_);
    zoomIn_->setEnabled(document_ && zoom < kMaxZoom);
    zoomOut_->setEnabled(document_ && zoom > kMinZoom);
    fitWidth_->setEnabled(document_ && pdfView_->zoomMode() != QPdfView::ZoomMode::FitToWidth);
}

qreal PDFKitView::zoomFactor() const {
    if (!document_) return 0;
    return pdfView_->zoomMode() == QPdfView::ZoomMode::FitToWidth ? fittedZoomFactor()
                                                                  : pdfView_->zoomFactor();
}

void PDFKitView::zoomIn() {
    zoomBy(kZoomStep);
}

void PDFKitView::zoomOut() {
    zoomBy(1 / kZoomStep);
}

void PDFKitView::fitToWidth() {
    if (document_) setZoom(QPdfView::ZoomMode::FitToWidth, pdfView_->zoomFactor());
}

void PDFKitView::zoomBy(qreal step) {
    if (!document_) return;
    // From the scale the pages are drawn at: the view keeps the last custom zoom while it fits
    // the width. A window so wide that the fitted page lies beyond a bound never zooms back
    // across it the wrong way.
    const qreal zoom = zoomFactor();
    setZoom(QPdfView::ZoomMode::Custom,
            std::clamp(zoom * step, std::min(zoom, kMinZoom), std::max(zoom, kMaxZoom)));
}

void PDFKitView::setZoom(QPdfView::ZoomMode mode, qreal factor) {
    // What lies in the middle of the view stays there.
    QScrollBar& across = *pdfView_->horizontalScrollBar();
    QScrollBar& down = *pdfView_->verticalScrollBar();
    const qreal x = middleOf(across);
    const qreal y = middleOf(down);
    pdfView_->setZoomFactor(factor);
    pdfView_->setZoomMode(mode);
    scrollMiddleTo(across, x);
    scrollMiddleTo(down, y);
    updateZoomControls();
}

qreal PDFKitView::fittedZoomFactor() const {
    const QMargins margins = pdfView_->documentMargins();
    const int width = pdfView_->viewport()->width() - margins.left() - margins.right();
    const qreal points = document_->pagePointSize(currentPage()).width() * screenResolution();
    return points > 0 ? width / points : 1.0;
}

QSize PDFKitView::pageSizeOnScreen(int page) const {
    // As the view lays its pages out, with its roundings.
    const QSizeF size = document_->pagePointSize(page) * screenResolution();
    if (pdfView_->zoomMode() == QPdfView::ZoomMode::Custom)
        return (size * pdfView_->zoomFactor()).toSize();
    const QMargins margins = pdfView_->documentMargins();
    const QSize natural = size.toSize();
    const int width = pdfView_->viewport()->width() - margins.left() - margins.right();
    return natural.width() > 0 ? natural * (qreal(width) / natural.width()) : natural;
}

int PDFKitView::pageTop(int page) const {
    int top = pdfView_->documentMargins().top();
    for (int before = 0; before < page; ++before)
        top += pageSizeOnScreen(before).height() + pdfView_->pageSpacing();
    return top;
}

QSize PDFKitView::sizeHint() const {
    // An A4 page's text at about the size it has on paper, with the page bar below.
    return QSize(800, 1000);
}

bool PDFKitView::navigate(const QKeyEvent& event) {
    const Qt::KeyboardModifiers extra =
        event.modifiers() & ~(Qt::KeypadModifier | Qt::ControlModifier);
    if (extra != Qt::NoModifier) return false;
    switch (event.key()) {
        case Qt::Key_PageUp:
            showPreviousPage();
            return true;
        case Qt::Key_PageDown:
            showNextPage();
            return true;
        case Qt::Key_Home:
            showPage(0);
            return true;
        case Qt::Key_End:
            showPage(pageCount() - 1);
            return true;
        default:
            return false;
    }
}

bool PDFKitView::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
            if (navigate(*static_cast<QKeyEvent*>(event))) return true;
            break;
        case QEvent::Resize:
            if (watched == pdfView_->viewport()) updateZoomControls();
            break;
        case QEvent::Wheel: {
            // Ctrl and the wheel zoom, as in a browser; the wheel alone scrolls.
            const auto* wheel = static_cast<QWheelEvent*>(event);
            if (watched != pdfView_->viewport() || !(wheel->modifiers() & Qt::ControlModifier))
                break;
            // A step for each notch; a touchpad sends a notch in many small turns.
            wheelTurn_ += wheel->angleDelta().y();
            const int notches = wheelTurn_ / QWheelEvent::DefaultDeltasPerStep;
            wheelTurn_ -= notches * QWheelEvent::DefaultDeltasPerStep;
            if (notches != 0) zoomBy(std::pow(kZoomStep, notches));
            return true;
        }
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void PDFKitView::keyPressEvent(QKeyEvent* event) {
    // Keys that the page bar's buttons pass up land here.
    if (navigate(*event))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

}  // namespace quill::ui
