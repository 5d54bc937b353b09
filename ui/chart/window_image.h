#pragma once

#include <QString>
#include <functional>

class QToolButton;
class QWidget;

namespace quill::ui {

enum class ImageFormat { Png, Svg };

/// Writes what `widget` shows now, all but `leaveOut` (one of its children, or null), to `path`
/// as a PNG image at the screen's pixel ratio or as an SVG drawing of the widget's size. The
/// file is replaced only once the image is written whole. Returns an empty text on success,
/// otherwise why it failed, as a sentence for the user.
QString saveWidgetImage(QWidget& widget, const QString& path, ImageFormat format,
                        const QWidget* leaveOut = nullptr);

/// Gives `window` the commands "Save as PNG…" and "Save as SVG…", in its context menu and
/// behind the returned tool button, which the caller places in `window`; the saved image leaves
/// the button out. Each command asks for a file in a dialog that blocks nothing, offering
/// `suggestedName()` with the format's suffix, and reports a failure in a message box.
QToolButton* addImageSaving(QWidget& window, std::function<QString()> suggestedName);

}  // namespace quill::ui
