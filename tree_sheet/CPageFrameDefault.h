#pragma once

#include "platform/ui/CImageList.h"
#include "tree_sheet/CPageFrame.h"

#include <QWidget>

namespace TreeSheet {

// The frame the sheet uses: a child window that draws the caption bar as a
// gradient from the inactive caption colour into the window's background,
// with the icon and the title, and the message below it.
class CPageFrameDefault : public QWidget, public CPageFrame {
    Q_OBJECT

public:
    CPageFrameDefault();
    ~CPageFrameDefault() override;

    bool CreateFrame(const QRect& rect, QWidget* parent, unsigned id) override;
    QWidget* GetFrameWnd() override { return this; }
    void SetCaptionText(const std::string& text, const QIcon& icon = QIcon()) override;
    QRect GetMessageRect() override;
    QRect GetCaptionRect() override;
    void PaintCaption(QPainter& dc, QRect rect, const std::string& text, const QIcon& icon) override;

    // Where the caption's text goes within rect, after the icon when one is drawn.
    QRect GetCaptionTextRect(QRect rect, const QIcon& icon) const;

    // One line per column from left to right edge inclusive, moving linearly
    // from one colour to the other.
    static void FillHorzGradient(QPainter& dc, const QRect& rect, const QColor& from, const QColor& to);

    // The stand-ins of the system colours the caption bar is drawn with.
    QColor InactiveCaptionColour() const;
    QColor CaptionTextColour() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool HasCaptionImage(const QIcon& icon) const;
    QColor SampleBackground(QPainter& dc, QPoint at) const;

    CImageList m_CaptionImage;
};

} // namespace TreeSheet
