#pragma once

#include <QDialog>
#include <QTextBrowser>

#include "ui/window_names.h"

class QLabel;

namespace quill::ui {

/// Where the README lives: the one of the source tree, compiled into the program's resources
/// with the pictures it shows, so that an installed program has it too.
QString readmeUrl();

/// Help > About Quillometer: the program's version, its licence, the Qt it runs on and a link
/// that opens the README in a window of its own.
class AboutView : public QDialog {
    Q_OBJECT
public:
    AboutView(const QString& version, WindowOpener& opener, QWidget* parent = nullptr);

    /// The text shown beside the icon, links and all.
    QLabel* text() const { return text_; }

private:
    QLabel* text_ = nullptr;
};

/// The README, read only, its pictures scaled down to the window's width where wider.
class ReadmeView : public QTextBrowser {
    Q_OBJECT
public:
    explicit ReadmeView(const QString& url = readmeUrl(), QWidget* parent = nullptr);
};

}  // namespace quill::ui
