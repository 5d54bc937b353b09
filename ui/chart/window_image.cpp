#include "ui/chart/window_image.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QToolButton>
#include <QWidget>
#include <cmath>

#include "ui/file_dialog.h"

namespace quill::ui {

namespace {

constexpr int kCssDpi = 96;

/// Paints `widget` as it shows, on its window's background, leaving `leaveOut` blank.
void paintWidget(QWidget& widget, QPainter& painter, const QWidget* leaveOut) {
    const QRect whole(QPoint(), widget.size());
    painter.fillRect(whole, widget.palette().window());
    QRegion region(whole);
    if (leaveOut != nullptr && leaveOut->isVisibleTo(&widget))
        region -= QRect(leaveOut->mapTo(&widget, QPoint()), leaveOut->size());
    widget.render(&painter, QPoint(), region,
                  QWidget::DrawWindowBackground | QWidget::DrawChildren);
}

bool writePng(QWidget& widget, QSaveFile& file, const QWidget* leaveOut) {
    const double ratio = widget.devicePixelRatioF();
    QImage image(QSize(static_cast<int>(std::ceil(widget.width() * ratio)),
                       static_cast<int>(std::ceil(widget.height() * ratio))),
                 QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return false;
    image.setDevicePixelRatio(ratio);
    QPainter painter(&image);
    paintWidget(widget, painter, leaveOut);
    painter.end();
    return image.save(&file, "PNG");
}

bool writeSvg(QWidget& widget, QSaveFile& file, const QWidget* leaveOut) {
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(widget.size());
    svg.setViewBox(QRect(QPoint(), widget.size()));
    // A pixel of the window is a CSS pixel: browsers show the drawing at the window's size.
    svg.setResolution(kCssDpi);
    svg.setTitle(widget.window()->windowTitle());
    QPainter painter;
    if (!painter.begin(&svg)) return false;
    paintWidget(widget, painter, leaveOut);
    return painter.end();
}

QString failure(const QString& path, const QString& reason) {
    return QStringLiteral("Could not save the image as \u201c%1\u201d: %2.")
        .arg(QFileInfo(path).fileName(), reason);
}

void reportFailure(QWidget& window, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Image not saved"), text,
                                QMessageBox::Ok, &window);
    box->setObjectName(QStringLiteral("imageSaveFailure"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void askAndSave(QWidget& window, const QString& suggested, ImageFormat format,
                const QPointer<QWidget>& leaveOut) {
    const bool png = format == ImageFormat::Png;
    auto* dialog = new QFileDialog(
        &window, png ? QStringLiteral("Save as PNG") : QStringLiteral("Save as SVG"));
    dialog->setObjectName(QStringLiteral("saveImageDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    preferQtFileDialog(dialog);
    dialog->setNameFilter(png ? QStringLiteral("PNG image (*.png)")
                              : QStringLiteral("SVG drawing (*.svg)"));
    dialog->setDefaultSuffix(png ? QStringLiteral("png") : QStringLiteral("svg"));
    dialog->selectFile(suggested + (png ? QStringLiteral(".png") : QStringLiteral(".svg")));
    dialog->setWindowModality(Qt::NonModal);
    QPointer<QWidget> target(&window);
    QObject::connect(dialog, &QFileDialog::fileSelected, &window,
                     [target, format, leaveOut](const QString& path) {
                         if (!target) return;
                         const QString error = saveWidgetImage(*target, path, format, leaveOut);
                         if (!error.isEmpty()) reportFailure(*target, error);
                     });
    dialog->show();
}

}  // namespace

QString saveWidgetImage(QWidget& widget, const QString& path, ImageFormat format,
                        const QWidget* leaveOut) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return failure(path, file.errorString());
    const bool drawn = format == ImageFormat::Png ? writePng(widget, file, leaveOut)
                                                  : writeSvg(widget, file, leaveOut);
    if (!drawn || file.error() != QFileDevice::NoError) {
        const QString reason = file.error() != QFileDevice::NoError
                                   ? file.errorString()
                                   : QStringLiteral("the image could not be drawn");
        file.cancelWriting();
        return failure(path, reason);
    }
    if (!file.commit()) return failure(path, file.errorString());
    return {};
}

QToolButton* addImageSaving(QWidget& window, std::function<QString()> suggestedName) {
    auto* button = new QToolButton(&window);
    button->setObjectName(QStringLiteral("saveImageButton"));
    button->setText(QStringLiteral("Save Image"));
    button->setIcon(QIcon::fromTheme(QStringLiteral("document-save-as")));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setAutoRaise(true);
    auto* menu = new QMenu(button);
    const QPointer<QWidget> leaveOut(button);
    const auto add = [&](const QString& name, const QString& text, ImageFormat format) {
        auto* action = new QAction(text, &window);
        action->setObjectName(name);
        QObject::connect(action, &QAction::triggered, &window,
                         [&window, suggestedName, format, leaveOut] {
                             askAndSave(window, suggestedName(), format, leaveOut);
                         });
        window.addAction(action);
        menu->addAction(action);
    };
    add(QStringLiteral("savePngAction"), QStringLiteral("Save as PNG\u2026"), ImageFormat::Png);
    add(QStringLiteral("saveSvgAction"), QStringLiteral("Save as SVG\u2026"), ImageFormat::Svg);
    button->setMenu(menu);
    window.setContextMenuPolicy(Qt::ActionsContextMenu);
    return button;
}

}  // namespace quill::ui
