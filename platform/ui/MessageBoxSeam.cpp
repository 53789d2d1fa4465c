#include "platform/ui/MessageBoxSeam.h"

#include "platform/ui/QtStrings.h"

#include <QMessageBox>

namespace {

MessageBoxSeam::Shower& ReplacementShower()
{
    static MessageBoxSeam::Shower shower;
    return shower;
}

} // namespace

void MessageBoxSeam::Show(QWidget* parent, const std::string& text)
{
    if (const Shower& replacement = ReplacementShower()) {
        replacement(parent, text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Clipscout"), ToQString(text), QMessageBox::Ok,
                    parent);
    box.exec();
}

void MessageBoxSeam::SetShower(Shower shower)
{
    ReplacementShower() = std::move(shower);
}
