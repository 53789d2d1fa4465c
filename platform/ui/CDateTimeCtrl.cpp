#include "platform/ui/CDateTimeCtrl.h"

#include <QKeyEvent>

CDateTimeCtrl::CDateTimeCtrl(Kind kind, QWidget* parent)
    : QDateTimeEdit(kind == Kind::Date ? QVariant(QDate(2000, 1, 1)) : QVariant(QTime(0, 0)),
                    kind == Kind::Date ? QMetaType::QDate : QMetaType::QTime, parent)
{ }

bool CDateTimeCtrl::focusNextPrevChild(bool next)
{
    // The edit would step through its own fields instead of leaving.
    return QWidget::focusNextPrevChild(next);
}

void CDateTimeCtrl::keyPressEvent(QKeyEvent* event)
{
    const bool left = event->key() == Qt::Key_Left;
    if ((left || event->key() == Qt::Key_Right) && event->modifiers() == Qt::NoModifier) {
        const int field = currentSectionIndex() + (left ? -1 : 1);
        if (field >= 0 && field < sectionCount())
            setCurrentSectionIndex(field);
        event->accept();
        return;
    }
    QDateTimeEdit::keyPressEvent(event);
}
