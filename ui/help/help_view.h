#pragma once

#include <QString>
#include <QWidget>

namespace quill::ui {

class PDFKitView;

/// Where the user manual lives: the PDF compiled into the program's resources.
QString defaultManualPath();

/// The help window's content: the user manual, filling the window. The manual is located and
/// loaded when the view is made and kept unchanged while it lives.
class HelpView : public QWidget {
    Q_OBJECT
public:
    explicit HelpView(const QString& pdfPath = defaultManualPath(), QWidget* parent = nullptr);

    const QString& pdfPath() const { return pdfPath_; }
    PDFKitView* pdfKitView() const { return pdfKitView_; }

private:
    QString pdfPath_;
    PDFKitView* pdfKitView_ = nullptr;
};

}  // namespace quill::ui
