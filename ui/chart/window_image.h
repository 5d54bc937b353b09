#pragma once

#include <QString>
#include <functional>

class QToolButton;
class QWidget;

namespace quill::ui {

enum class ImageFormat { Png, Svg };

/// What a saved image holds besides the widget's own pixels, and what it leaves out.
struct ImageParts {
    /// A child of the widget as wide as it that holds its controls (sliders, toggles, the save
    /// button): the rows it spans are cut out of the image, which is that much lower. Null, or
    /// hidden: nothing is cut.
    const QWidget* controls = nullptr;
    /// A line drawn above the widget that tells the image apart from others of the same
    /// window, such as the file shown; in an SVG drawing, its description too. Empty: none.
    QString caption;
};

/// Writes what `widget` shows now, as `parts` says, to `path` as a PNG image at the screen's
/// pixel ratio or as an SVG drawing in CSS pixels. The file is replaced only once the image is
/// written whole. Returns an empty text on success, otherwise why it failed, as a sentence for
/// the user.
QString saveWidgetImage(QWidget& widget, const QString& path, ImageFormat format,
                        const ImageParts& parts = {});

/// How a window's images are named and told apart, asked afresh at each save.
struct ImageSource {
    std::function<QString()> name;  ///< the name offered for the file, without its suffix
    std::function<QString()> caption;
};

/// Gives `window` the commands "Save as PNG…" and "Save as SVG…", in its context menu and
/// behind the returned tool button, which the caller places in `controls` (a child of `window`
/// left out of the image, see `ImageParts`). Each command asks for a file in a dialog that
/// blocks nothing, offering the source's name with the format's suffix, and reports a failure
/// in a message box.
QToolButton* addImageSaving(QWidget& window, QWidget& controls, ImageSource source);

}  // namespace quill::ui
