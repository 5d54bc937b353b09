#pragma once

#include <QSize>

class QWidget;

namespace quill::ui {

/// Gives a window the first size at which its content reads well, kept within nine tenths of the
/// screen's width and eight tenths of its height, so that no part opens off screen.
void resizeWithinScreen(QWidget& window, QSize wanted);

}  // namespace quill::ui
