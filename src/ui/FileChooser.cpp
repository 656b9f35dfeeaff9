// The desktop's file dialogs (see FileChooser.h).
#include "FileChooser.h"

#include <QFileDialog>

namespace caniparc::ui {
namespace {

FileChoice Run(QFileDialog& dialog, const QStringList& filters, int filterIndex) {
    dialog.setNameFilters(filters);
    if (filterIndex >= 1 && filterIndex <= filters.size())
        dialog.selectNameFilter(filters.at(filterIndex - 1));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {dialog.selectedFiles().first(), static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1};
}

} // namespace

FileChoice DesktopFileChooser::ChooseOpen(QWidget* parent, const QString& folder, const QStringList& filters,
                                          int filterIndex) {
    QFileDialog dialog(parent, QString(), folder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Run(dialog, filters, filterIndex);
}

FileChoice DesktopFileChooser::ChooseSave(QWidget* parent, const QString& folder, const QString& proposedName,
                                          const QStringList& filters, int filterIndex) {
    QFileDialog dialog(parent, QString(), folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.selectFile(proposedName);
    return Run(dialog, filters, filterIndex); // the dialog asks before replacing a file
}

QString DesktopFileChooser::ChooseFolder(QWidget* parent, const QString& folder) {
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("Sicherungsordner"), folder);
}

} // namespace caniparc::ui
