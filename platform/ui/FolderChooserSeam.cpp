#include "platform/ui/FolderChooserSeam.h"

#include "platform/ui/QtStrings.h"

#include <QFileDialog>

namespace {

FolderChooserSeam::Chooser& ReplacementChooser()
{
    static FolderChooserSeam::Chooser chooser;
    return chooser;
}

} // namespace

std::optional<std::string> FolderChooserSeam::Choose(QWidget* parent, const std::string& title,
                                                     const std::string& start)
{
    if (const Chooser& replacement = ReplacementChooser())
        return replacement(parent, title, start);
    QFileDialog dialog(parent, ToQString(title), ToQString(start));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

void FolderChooserSeam::SetChooser(Chooser chooser)
{
    ReplacementChooser() = std::move(chooser);
}
