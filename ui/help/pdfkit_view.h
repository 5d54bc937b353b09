#pragma once

#include <QPdfView>
#include <QString>
#include <QWidget>

class QAction;
class QLabel;
class QPdfDocument;
class QToolButton;

namespace quill::ui {

/// Hosts a PDF document view, configured once: the document at `url`, its pages one below the
/// other, fitted to the view's width and scrolled through. A page bar below it turns the pages,
/// as do Page Up, Page Down, Home and End, and zooms: Ctrl++ (or Ctrl+=) and Ctrl+− step the
/// size up and down, Ctrl+0 fits the width again. A document that cannot be opened leaves the
/// view without one: an empty page area, and a page bar with nothing to do.
class PDFKitView : public QWidget {
    Q_OBJECT
public:
    /// The bounds of the zoom, in screen pixels per point at the screen's resolution.
    static constexpr qreal kMinZoom = 0.25;
    static constexpr qreal kMaxZoom = 4.0;

    explicit PDFKitView(const QString& url, QWidget* parent = nullptr);

    const QString& url() const { return url_; }
    QPdfView* pdfView() const { return pdfView_; }
    /// The opened document, or null when `url` held no readable PDF.
    QPdfDocument* document() const { return document_; }
    int pageCount() const;
    /// The page shown, from 0: the one across the upper part of the view.
    int currentPage() const;

    /// Scrolls to the top of `page` (from 0), held to the document's pages; does nothing
    /// without a document.
    void showPage(int page);
    void showPreviousPage() { showPage(currentPage() - 1); }
    void showNextPage() { showPage(currentPage() + 1); }

    /// The scale the pages are drawn at, also while they are fitted to the width; 0 without a
    /// document.
    qreal zoomFactor() const;
    void zoomIn();
    void zoomOut();
    void fitToWidth();

    QSize sizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openDocument();
    QWidget* makePageBar();
    QWidget* makeZoomControls(QWidget* bar);
    void updatePageBar();
    void updateZoomControls();
    /// Turns the page for a navigation key; false for any other key.
    bool navigate(const QKeyEvent& event);
    void zoomBy(qreal step);
    void setZoom(QPdfView::ZoomMode mode, qreal factor);
    /// What the view itself computes for a page fitted to the width, but does not tell.
    qreal fittedZoomFactor() const;
    QSize pageSizeOnScreen(int page) const;
    int pageTop(int page) const;

    QString url_;
    QPdfDocument* document_ = nullptr;
    QPdfView* pdfView_ = nullptr;
    QToolButton* previous_ = nullptr;
    QToolButton* next_ = nullptr;
    QLabel* indicator_ = nullptr;
    QAction* zoomIn_ = nullptr;
    QAction* zoomOut_ = nullptr;
    QAction* fitWidth_ = nullptr;
    QLabel* zoomLabel_ = nullptr;
    int wheelTurn_ = 0;  // of the wheel with Ctrl held, in eighths of a degree, short of a notch
};

}  // namespace quill::ui
