#include "ui/window_size.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace quill::ui {

void resizeWithinScreen(QWidget& window, QSize wanted) {
    const QScreen* screen = window.screen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    window.resize(std::min(wanted.width(), area.width() * 9 / 10),
                  std::min(wanted.height(), area.height() * 8 / 10));
}

}  // namespace quill::ui
