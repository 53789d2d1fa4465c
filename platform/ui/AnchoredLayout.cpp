#include "platform/ui/AnchoredLayout.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>

AnchoredLayout::AnchoredLayout(QWidget* host, QSize reference) : QObject(host), m_pHost(host), m_reference(reference)
{
    host->installEventFilter(this);
}

void AnchoredLayout::Anchor(QWidget* control, unsigned edges)
{
    // A control that goes first leaves the list with it.
    connect(control, &QObject::destroyed, this, [this, control] {
        std::erase_if(m_aControls, [control](const Anchored& anchored) { return anchored.pControl == control; });
    });
    m_aControls.push_back({control, control->geometry(), edges});
}

void AnchoredLayout::Place()
{
    const int dx = m_pHost->width() - m_reference.width();
    const int dy = m_pHost->height() - m_reference.height();
    for (const Anchored& anchored : m_aControls) {
        QRect rect = anchored.rcReference;
        // Anchored at both edges it stretches; at the far edge alone it moves.
        if (anchored.nEdges & Right) {
            if (anchored.nEdges & Left)
                rect.setWidth(std::max(0, rect.width() + dx));
            else
                rect.translate(dx, 0);
        }
        if (anchored.nEdges & Bottom) {
            if (anchored.nEdges & Top)
                rect.setHeight(std::max(0, rect.height() + dy));
            else
                rect.translate(0, dy);
        }
        anchored.pControl->setGeometry(rect);
    }
    if (m_placed)
        m_placed();
}

bool AnchoredLayout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pHost && event->type() == QEvent::Resize)
        Place();
    return QObject::eventFilter(watched, event);
}
