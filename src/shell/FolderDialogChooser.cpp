#include "shell/FolderDialogChooser.h"

#include <QDir>
#include <QFileDialog>

namespace brisklet {

std::optional<QString> FolderDialogChooser::chooseFolder(const QString& prompt, const QString& message) {
    QFileDialog dialog(nullptr, message, QDir::homePath());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, prompt);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

} // namespace brisklet
