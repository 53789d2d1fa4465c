#include "search_page/UntouchedEnd.h"

#include "platform/ui/CDateTimeCtrl.h"

UntouchedEnd::UntouchedEnd(QObject* parent, CDateTimeCtrl* date, CDateTimeCtrl* time) : QObject(parent)
{
    Follow(date);
    Follow(time);
}

void UntouchedEnd::Follow(CDateTimeCtrl* picker)
{
    connect(picker, &QDateTimeEdit::dateTimeChanged, this, [this] {
        if (!m_bShowing)
            m_bTouched = true;
    });
}

void UntouchedEnd::Showing(const std::function<void()>& show)
{
    m_bShowing = true;
    show();
    m_bShowing = false;
}
