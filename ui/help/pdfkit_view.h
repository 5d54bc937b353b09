#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPdfDocument;
class QPdfView;
class QToolButton;

namespace quill::ui {

/// Hosts a PDF document view, configured once: the document at `url`, scaled to fit the view,
/// one page at a time. A page bar below it turns the pages, as do Page Up, Page Down, Home and
/// End. A document that cannot be opened leaves the view without one: an empty page area, and
/// a page bar with nothing to do.
class PDFKitView : public QWidget {
    Q_OBJECT
public:
    explicit PDFKitView(const QString& url, QWidget* parent = nullptr);

    const QString& url() const { return url_; }
    QPdfView* pdfView() const { return pdfView_; }
    /// The opened document, or null when `url` held no readable PDF.
    QPdfDocument* document() const { return document_; }
    int pageCount() const;
    /// The page shown, from 0.
    int currentPage() const;

    /// Shows `page` (from 0), held to the document's pages; does nothing without a document.
    void showPage(int page);
    void showPreviousPage() { showPage(currentPage() - 1); }
    void showNextPage() { showPage(currentPage() + 1); }

    QSize sizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openDocument();
    QWidget* makePageBar();
    void updatePageBar();
    /// Turns the page for a navigation key; false for any other key.
    bool navigate(const QKeyEvent& event);

    QString url_;
    QPdfDocument* document_ = nullptr;
    QPdfView* pdfView_ = nullptr;
    QToolButton* previous_ = nullptr;
    QToolButton* next_ = nullptr;
    QLabel* indicator_ = nullptr;
};

}  // namespace quill::ui
