#include "tree_sheet/CPageFrame.h"

#include "platform/ui/QtStrings.h"

#include <QApplication>
#include <QPainter>
#include <QWidget>

namespace TreeSheet {

CPageFrame::~CPageFrame() = default;

void CPageFrame::EnableCaption(bool enable)
{
    m_bCaption = enable;
    InvalidateArea(GetCaptionRect());
}

void CPageFrame::SetCaptionBarHeight(int height)
{
    m_nCaptionHeight = height;
    InvalidateArea(GetCaptionRect());
}

void CPageFrame::SetCaptionText(const std::string& text, const QIcon& icon)
{
    m_strCaptionText = text;
    m_hCaptionIcon = icon;
    InvalidateArea(GetCaptionRect());
}

void CPageFrame::SetMessageText(const std::string& text)
{
    m_strMessage = text;
    InvalidateArea(GetMessageRect());
}

void CPageFrame::SetMessageFormat(unsigned flags)
{
    m_nMessageFormat = flags;
    InvalidateArea(GetMessageRect());
}

const std::string& CPageFrame::GetCaptionText(QIcon* icon) const
{
    if (icon)
        *icon = m_hCaptionIcon;
    return m_strCaptionText;
}

void CPageFrame::Paint(QPainter& dc)
{
    if (m_bCaption)
        PaintCaption(dc, GetCaptionRect(), m_strCaptionText, m_hCaptionIcon);
    PaintMessage(dc, GetMessageRect(), m_strMessage, m_nMessageFormat);
}

QRect CPageFrame::GetMessageRect()
{
    QWidget* wnd = GetFrameWnd();
    QRect rect = wnd ? wnd->rect() : QRect();
    if (m_bCaption)
        rect.setTop(rect.top() + m_nCaptionHeight);
    return rect;
}

void CPageFrame::PaintMessage(QPainter& dc, QRect rect, const std::string& text, unsigned flags)
{
    dc.save();
    dc.setFont(QApplication::font());
    dc.setBackgroundMode(Qt::TransparentMode);
    dc.drawText(rect, ToQtTextFlags(flags), ToQString(text));
    dc.restore();
}

QRect CPageFrame::GetCaptionRect()
{
    QWidget* wnd = GetFrameWnd();
    QRect rect = wnd ? wnd->rect() : QRect();
    // An empty rectangle at the top when the caption is off.
    rect.setHeight(m_bCaption ? m_nCaptionHeight : 0);
    return rect;
}

void CPageFrame::PaintCaption(QPainter&, QRect, const std::string&, const QIcon&)
{ }

void CPageFrame::InvalidateArea(const QRect& rect)
{
    if (QWidget* wnd = GetFrameWnd())
        wnd->update(rect);
}

int CPageFrame::ToQtTextFlags(unsigned drawFlags)
{
    int flags = 0;
    if (drawFlags & DT_CENTER)
        flags |= Qt::AlignHCenter;
    else if (drawFlags & DT_RIGHT)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    if (drawFlags & DT_SINGLELINE) {
        flags |= Qt::TextSingleLine;
        if (drawFlags & DT_VCENTER)
            flags |= Qt::AlignVCenter;
        else if (drawFlags & DT_BOTTOM)
            flags |= Qt::AlignBottom;
        else
            flags |= Qt::AlignTop;
    } else {
        flags |= Qt::AlignTop;
    }
    if (drawFlags & DT_WORDBREAK)
        flags |= Qt::TextWordWrap;
    if (!(drawFlags & DT_NOPREFIX))
        flags |= Qt::TextShowMnemonic;
    return flags;
}

} // namespace TreeSheet
