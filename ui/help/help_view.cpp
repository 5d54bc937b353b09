#include "ui/help/help_view.h"

#include <QVBoxLayout>

#include "ui/help/pdfkit_view.h"
#include "ui/window_size.h"

namespace quill::ui {

QString defaultManualPath() {
    return QStringLiteral(":/QuillometerHelp.pdf");
}

HelpView::HelpView(const QString& pdfPath, QWidget* parent)
    : QWidget(parent), pdfPath_(pdfPath), pdfKitView_(new PDFKitView(pdfPath, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pdfKitView_);
    setFocusProxy(pdfKitView_);
    // Opened at the size of its content as that wants it: fitted to a width of 800 pixels, the
    // manual's text is as large as on paper.
    resizeWithinScreen(*this, pdfKitView_->sizeHint());
}

}  // namespace quill::ui
