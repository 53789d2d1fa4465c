#include "platform/ui/MessageBoxSeam.h"

#include "platform/ui/QtStrings.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

MessageBoxSeam::Shower& ReplacementShower()
{
    static MessageBoxSeam::Shower shower;
    return shower;
}

MessageBoxSeam::Notifier& ReplacementNotifier()
{
    static MessageBoxSeam::Notifier notifier;
    return notifier;
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

bool MessageBoxSeam::Notify(QWidget* parent, const Notice& notice)
{
    if (const Notifier& replacement = ReplacementNotifier())
        return replacement(parent, notice);
    QMessageBox box(QMessageBox::Information, QStringLiteral("Clipscout"), ToQString(notice.strText), QMessageBox::Ok,
                    parent);
    QPushButton* action = box.addButton(ToQString(notice.strAction), QMessageBox::ActionRole);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
    return box.clickedButton() == action;
}

void MessageBoxSeam::SetNotifier(Notifier notifier)
{
    ReplacementNotifier() = std::move(notifier);
}

bool MessageBoxSeam::Ask(QWidget* parent, const Question& question)
{
    if (const Asker& replacement = ReplacementAsker())
        return replacement(parent, question);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Clipscout"), ToQString(question.strText),
                    QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(ToQString(question.strYes), QMessageBox::AcceptRole);
    QPushButton* no = box.addButton(ToQString(question.strNo), QMessageBox::RejectRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void MessageBoxSeam::SetAsker(Asker asker)
{
    ReplacementAsker() = std::move(asker);
}
