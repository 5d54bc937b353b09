#include "tests/ui/common/screenshot.h"

#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace quill::test {

QString saveScreenshot(QWidget& widget, const QString& name) {
    const QString dir = qEnvironmentVariable("QUILL_SCREENSHOT_DIR");
    if (dir.isEmpty()) return {};
    QDir().mkpath(dir);
    const QString path = QDir(dir).filePath(name + QStringLiteral(".png"));
    return widget.grab().save(path) ? path : QString();
}

}  // namespace quill::test
