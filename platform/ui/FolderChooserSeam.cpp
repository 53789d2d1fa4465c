#include "platform/ui/FolderChooserSeam.h"

#include "platform/ui/QtStrings.h"

#include <QFileDialog>

std::optional<std::string> FolderChooserSeam::Choose(QWidget* parent, const std::string& title,
                                                     const std::string& start)
{
    QFileDialog dialog(parent, ToQString(title), ToQString(start));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}
