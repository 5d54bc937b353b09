#include "ui/help/pdfkit_view.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace quill::ui {

namespace {

constexpr int kPageMargin = 8;

QToolButton* makePageButton(QWidget* parent, const QString& name, const QString& text,
                            QStyle::StandardPixmap icon, const QString& tip) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setToolTip(tip);
    button->setAutoRaise(true);
    // A click must leave the keyboard focus on the page, where the page keys act.
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

}  // namespace

PDFKitView::PDFKitView(const QString& url, QWidget* parent)
    : QWidget(parent), url_(url), pdfView_(new QPdfView(this)) {
    pdfView_->setObjectName(QStringLiteral("pdfView"));
    openDocument();
    pdfView_->setZoomMode(QPdfView::ZoomMode::FitInView);
    pdfView_->setPageMode(QPdfView::PageMode::SinglePage);
    // A page fitted to the view never needs scrolling. The view fits the page into its height
    // less the page spacing, below a top margin: spacing twice the margin centres the page
    // instead of cutting off its bottom edge.
    pdfView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pdfView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pdfView_->setDocumentMargins(QMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin));
    pdfView_->setPageSpacing(2 * kPageMargin);
    // The scroll area would take the page keys for scrolling, which a fitted page never needs.
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
    return bar;
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
}

void PDFKitView::updatePageBar() {
    const int count = pageCount();
    const int page = currentPage();
    indicator_->setText(count == 0 ? tr("No pages") : tr("Page %1 of %2").arg(page + 1).arg(count));
    indicator_->setEnabled(count > 0);
    previous_->setEnabled(count > 0 && page > 0);
    next_->setEnabled(count > 0 && page < count - 1);
}

QSize PDFKitView::sizeHint() const {
    // An A4 page at a comfortable reading size, with the page bar below it.
    return QSize(640, 900);
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
    if (event->type() == QEvent::KeyPress && navigate(*static_cast<QKeyEvent*>(event))) return true;
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
