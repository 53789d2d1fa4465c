#include "platform/ui/MessageBoxSeam.h"

#include "platform/ui/QtStrings.h"

#include <QMessageBox>

namespace {

MessageBoxSeam::Shower& ReplacementShower()
{
    static MessageBoxSeam::Shower shower;
    return shower;
}

MessageBoxSeam::Asker& ReplacementAsker()
{
    static MessageBoxSeam::Asker asker;
    return asker;
}

} // namespace

void MessageBoxSeam::Show(QWidget* parent, const std::string& text)
{
    if (const Shower& replacement = ReplacementShower()) {
        replacement(parent, text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Clipscout"), ToQString(text), QMessageBox::Ok, parent);
    box.exec();
}

void MessageBoxSeam::SetShower(Shower shower)
{
    ReplacementShower() = std::move(shower);
}

bool MessageBoxSeam::Ask(QWidget* parent, const std::string& question)
{
    if (const Asker& replacement = ReplacementAsker())
        return replacement(parent, question);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Clipscout"), ToQString(question),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void MessageBoxSeam::SetAsker(Asker asker)
{
    ReplacementAsker() = std::move(asker);
}
