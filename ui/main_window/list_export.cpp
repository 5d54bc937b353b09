#include "ui/main_window/list_export.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>

#include "analysis/csv_export.h"
#include "ui/file_dialog.h"

namespace quill::ui {

void DialogSaveChooser::chooseCsvFile(QWidget* parent, const QString& suggestedName, Done done) {
    auto* dialog = new QFileDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Export List as CSV"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(QStringLiteral("CSV files (*.csv)"));
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    preferQtFileDialog(dialog);
    dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Export"));
    dialog->selectFile(suggestedName);
    dialog->setWindowModality(Qt::NonModal);
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, done](int result) {
        const QStringList files = dialog->selectedFiles();
        if (result != QDialog::Accepted || files.isEmpty())
            done(std::nullopt);
        else
            done(files.first());
    });
    dialog->show();
}

QString csvNameFor(const QString& fileName) {
    const QString stem = QFileInfo(fileName).completeBaseName();
    return (stem.isEmpty() ? QStringLiteral("list") : stem) + QStringLiteral(".csv");
}

std::optional<QString> saveListCsv(const QString& path, const StatTable& lines,
                                   const RowIndices* rows) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    const bool written = writeCsv(lines, rows, [&](std::string_view chunk) {
        return file.write(chunk.data(), static_cast<qint64>(chunk.size())) ==
               static_cast<qint64>(chunk.size());
    });
    if (!written) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit()) return file.errorString();
    return std::nullopt;
}

}  // namespace quill::ui
