#include "search_page/SearchPageAccessibility.h"

#include "platform/ui/CPropertyPage.h"
#include "res/Resource.h"

#include <QLabel>

namespace {

struct Labelled {
    int nLabel;
    int nControl;
    const char* szPart; // what of the label's subject the control holds; null for all of it
};

// A label's buddy is the one control a screen reader links it to; the time
// pickers, which share their label with a date picker, carry its text in
// their names. The combo box's name is its value here (the platform's way);
// the link names it.
constexpr Labelled kLabelled[] = {
    {IDC_S_FILE_TYPE, IDC_CATEGORY, nullptr}, {IDC_S_START, IDC_START_DATE, "date"},
    {IDC_S_START, IDC_START_TIME, "time"},    {IDC_S_END, IDC_END_DATE, "date"},
    {IDC_S_END, IDC_END_TIME, "time"},
};

} // namespace

void SearchPageAccessibility::Describe(CPropertyPage& page)
{
    for (const Labelled& entry : kLabelled) {
        auto* label = qobject_cast<QLabel*>(page.GetDlgItem(entry.nLabel));
        QWidget* control = page.GetDlgItem(entry.nControl);
        if (!label || !control)
            continue;
        if (!label->buddy())
            label->setBuddy(control);
        const QString text = label->text().remove(QLatin1Char('&'));
        control->setAccessibleName(entry.szPart ? QStringLiteral("%1 (%2)").arg(text, QLatin1String(entry.szPart))
                                                : text);
    }
    if (QWidget* list = page.GetDlgItem(IDC_FILE_LIST))
        list->setAccessibleName(QStringLiteral("Recorded files"));
}
