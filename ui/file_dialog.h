#pragma once

#include <QFileDialog>

namespace quill::ui {

/// Qt's own file dialog rather than the desktop's, on Linux only. There the desktop's is often
/// a portal's, shown by another process: it ignores the accept button's text ("Open", "Export"),
/// differs from one desktop to the next, and is a window this program can neither name nor
/// reach, so neither the tests nor a script on a real X server could drive it. Elsewhere the
/// system's dialog is the one people expect.
inline void preferQtFileDialog(QFileDialog* dialog) {
#if defined(Q_OS_LINUX)
    dialog->setOption(QFileDialog::DontUseNativeDialog);
#else
    (void)dialog;
#endif
}

}  // namespace quill::ui
