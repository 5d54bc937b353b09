#include "ui/help/about_view.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include "ui/window_size.h"

namespace quill::ui {

namespace {

constexpr int kIconSize = 64;
constexpr int kWidestPicture = 760;

QString aboutText(const QString& version) {
    return QStringLiteral(
               "<h3>Quillometer %1</h3>"
               "<p>Shows what a log statistics file holds, at a glance.</p>"
               "<p>Quillometer is free software, released under the GNU General Public License, "
               "version 3 or any later version (GPL-3.0-or-later).</p>"
               "<p>Running on Qt %2.</p>"
               "<p><a href=\"readme\">Read the README</a></p>")
        .arg(version.toHtmlEscaped(), QString::fromLatin1(qVersion()));
}

QLabel* makeIcon(QWidget* parent) {
    auto* icon = new QLabel(parent);
    icon->setPixmap(QApplication::windowIcon().pixmap(kIconSize, kIconSize));
    icon->setAlignment(Qt::AlignTop);
    return icon;
}

/// Shrinks each picture wider than `width` to it, keeping its proportions.
void fitPictures(QTextDocument& document, int width) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextImageFormat picture = fragment.charFormat().toImageFormat();
            if (!picture.isValid()) continue;
            const QImage image =
                document.resource(QTextDocument::ImageResource, picture.name()).value<QImage>();
            if (image.width() <= width) continue;
            picture.setWidth(width);
            picture.setHeight(double(image.height()) * width / image.width());
            QTextCursor cursor(&document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(picture);
        }
    }
}

}  // namespace

QString readmeUrl() {
    return QStringLiteral("qrc:/README.md");
}

AboutView::AboutView(const QString& version, WindowOpener& opener, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("About Quillometer"));
    text_ = new QLabel(aboutText(version), this);
    text_->setObjectName(QStringLiteral("aboutText"));
    text_->setWordWrap(true);
    text_->setTextInteractionFlags(Qt::TextBrowserInteraction);
    connect(text_, &QLabel::linkActivated, this,
            [&opener] { opener.openWindow(WindowId::Readme); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto* row = new QHBoxLayout;
    row->addWidget(makeIcon(this));
    row->addWidget(text_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

ReadmeView::ReadmeView(const QString& url, QWidget* parent) : QTextBrowser(parent) {
    setOpenExternalLinks(true);
    // The Markdown resource type: a qrc: URL's suffix is not enough for the browser to know it.
    setSource(QUrl(url), QTextDocument::MarkdownResource);
    fitPictures(*document(), kWidestPicture);
    resizeWithinScreen(*this, {kWidestPicture + 80, 900});
}

}  // namespace quill::ui
