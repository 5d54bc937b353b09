#include "ui/open_file/file_chooser.h"

#include <QFileDialog>
#include <QUrl>

#include "ui/file_dialog.h"

namespace quill::ui {

namespace {

std::optional<FileLocation> locationOf(const QList<QUrl>& urls) {
    if (urls.isEmpty()) return std::nullopt;
    const QUrl& url = urls.first();
    if (url.isLocalFile()) return FileLocation::local(url.toLocalFile().toStdString());
    return FileLocation::remote(url.toString().toStdString());
}

}  // namespace

std::optional<std::string> chosenPath(int response, const std::optional<FileLocation>& location) {
    if (response != kResponseOK || !location || !location->isLocalFile) return std::nullopt;
    return location->path;
}

void DialogFileChooser::chooseStatFile(QWidget* parent, ChooseCompletion done) {
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QStringLiteral("openStatFile"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilter(QStringLiteral("JSON Lines statistics (*.jsonl)"));
    preferQtFileDialog(dialog);
    dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Open"));
    dialog->setWindowModality(Qt::NonModal);
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, done](int result) {
        const int response = result == QDialog::Accepted ? kResponseOK : 0;
        done(response, response == kResponseOK ? locationOf(dialog->selectedUrls()) : std::nullopt);
    });
    dialog->show();
}

}  // namespace quill::ui
