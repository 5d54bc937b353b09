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
/// Above and below the caption's text.
constexpr int kCaptionPadding = 4;

/// Where the parts lie in the image: the caption's line on top, then the widget's rows above
/// its controls, then those below them.
struct ImageLayout {
    int captionHeight = 0;
    int cutTop = 0;  ///< the controls' first row, in the widget
    int cutHeight = 0;
    QSize size;  ///< of the whole image, in the widget's pixels
};

ImageLayout layoutOf(const QWidget& widget, const ImageParts& parts) {
    ImageLayout layout;
    if (!parts.caption.isEmpty())
        layout.captionHeight = widget.fontMetrics().height() + 2 * kCaptionPadding;
    if (parts.controls != nullptr && parts.controls->isVisibleTo(&widget)) {
        const QRect cut = QRect(parts.controls->mapTo(&widget, QPoint()), parts.controls->size())
                              .intersected(widget.rect());
        layout.cutTop = cut.isEmpty() ? 0 : cut.top();
        layout.cutHeight = cut.isEmpty() ? 0 : cut.height();
    }
    layout.size = QSize(widget.width(), layout.captionHeight + widget.height() - layout.cutHeight);
    return layout;
}

void drawCaption(const QWidget& widget, QPainter& painter, const QString& caption, int height) {
    if (caption.isEmpty()) return;
    const QRect line(kCaptionPadding, 0, widget.width() - 2 * kCaptionPadding, height);
    painter.save();
    painter.setFont(widget.font());
    painter.setPen(widget.palette().color(QPalette::WindowText));
    // A long path keeps both its ends: the folder it lies in and the file's own name.
    painter.drawText(line, Qt::AlignCenter,
                     widget.fontMetrics().elidedText(caption, Qt::ElideMiddle, line.width()));
    painter.restore();
}

/// Paints `widget` as it shows, on its window's background, as `layout` places its parts.
void paintWidget(QWidget& widget, QPainter& painter, const ImageParts& parts,
                 const ImageLayout& layout) {
    painter.fillRect(QRect(QPoint(), layout.size), widget.palette().window());
    drawCaption(widget, painter, parts.caption, layout.captionHeight);
    const int belowTop = layout.cutTop + layout.cutHeight;
    const QRect above(0, 0, widget.width(), layout.cutTop);
    const QRect below(0, belowTop, widget.width(), widget.height() - belowTop);
    const auto flags = QWidget::DrawWindowBackground | QWidget::DrawChildren;
    // Each region's top left lands on the offset given.
    if (!above.isEmpty())
        widget.render(&painter, QPoint(0, layout.captionHeight), QRegion(above), flags);
    if (!below.isEmpty())
        widget.render(&painter, QPoint(0, layout.captionHeight + layout.cutTop), QRegion(below),
                      flags);
}

bool writePng(QWidget& widget, QSaveFile& file, const ImageParts& parts) {
    const ImageLayout layout = layoutOf(widget, parts);
    const double ratio = widget.devicePixelRatioF();
    QImage image(QSize(static_cast<int>(std::ceil(layout.size.width() * ratio)),
                       static_cast<int>(std::ceil(layout.size.height() * ratio))),
                 QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return false;
    image.setDevicePixelRatio(ratio);
    QPainter painter(&image);
    paintWidget(widget, painter, parts, layout);
    painter.end();
    return image.save(&file, "PNG");
}

bool writeSvg(QWidget& widget, QSaveFile& file, const ImageParts& parts) {
    const ImageLayout layout = layoutOf(widget, parts);
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(layout.size);
    svg.setViewBox(QRect(QPoint(), layout.size));
    // A pixel of the window is a CSS pixel: browsers show the drawing at the window's size.
    svg.setResolution(kCssDpi);
    svg.setTitle(widget.window()->windowTitle());
    svg.setDescription(parts.caption);
    QPainter painter;
    if (!painter.begin(&svg)) return false;
    paintWidget(widget, painter, parts, layout);
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

void askAndSave(QWidget& window, const ImageSource& source, ImageFormat format,
                const QPointer<QWidget>& controls) {
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
    dialog->selectFile(source.name() + (png ? QStringLiteral(".png") : QStringLiteral(".svg")));
    dialog->setWindowModality(Qt::NonModal);
    QPointer<QWidget> target(&window);
    QObject::connect(dialog, &QFileDialog::fileSelected, &window,
                     [target, format, controls, source](const QString& path) {
                         if (!target) return;
                         // The caption says what shows at the moment of saving.
                         const ImageParts parts{controls.data(), source.caption()};
                         const QString error = saveWidgetImage(*target, path, format, parts);
                         if (!error.isEmpty()) reportFailure(*target, error);
                     });
    dialog->show();
}

}  // namespace

QString saveWidgetImage(QWidget& widget, const QString& path, ImageFormat format,
                        const ImageParts& parts) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return failure(path, file.errorString());
    const bool drawn =
        format == ImageFormat::Png ? writePng(widget, file, parts) : writeSvg(widget, file, parts);
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

QToolButton* addImageSaving(QWidget& window, QWidget& controls, ImageSource source) {
    auto* button = new QToolButton(&controls);
    button->setObjectName(QStringLiteral("saveImageButton"));
    button->setText(QStringLiteral("Save Image"));
    button->setIcon(QIcon::fromTheme(QStringLiteral("document-save-as")));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setAutoRaise(true);
    auto* menu = new QMenu(button);
    const QPointer<QWidget> leftOut(&controls);
    const auto add = [&](const QString& name, const QString& text, ImageFormat format) {
        auto* action = new QAction(text, &window);
        action->setObjectName(name);
        QObject::connect(action, &QAction::triggered, &window, [&window, source, format, leftOut] {
            askAndSave(window, source, format, leftOut);
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
