#pragma once

#include <QString>

class QWidget;

namespace quill::test {

/// Renders `widget` to <QUILL_SCREENSHOT_DIR>/<name>.png so a person can look at it; does
/// nothing when the variable is not set. Returns the path written, or an empty string.
QString saveScreenshot(QWidget& widget, const QString& name);

}  // namespace quill::test
