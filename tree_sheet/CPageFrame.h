#pragma once

#include <QIcon>
#include <QRect>

#include <string>

class QPainter;
class QWidget;

namespace TreeSheet {

// Text layout flags of the platform's DrawText, as the frame keeps them.
inline constexpr unsigned DT_LEFT = 0x0;
inline constexpr unsigned DT_CENTER = 0x1;
inline constexpr unsigned DT_RIGHT = 0x2;
inline constexpr unsigned DT_VCENTER = 0x4;
inline constexpr unsigned DT_BOTTOM = 0x8;
inline constexpr unsigned DT_WORDBREAK = 0x10;
inline constexpr unsigned DT_SINGLELINE = 0x20;
inline constexpr unsigned DT_NOPREFIX = 0x800;
inline constexpr unsigned DT_END_ELLIPSIS = 0x8000;

// What the tree sheet knows of the window in place of the tab control: a
// caption bar over the page area and a message for when no page covers it.
// Not a window itself; an implementation supplies the window.
class CPageFrame {
public:
    virtual ~CPageFrame();

    virtual bool CreateFrame(const QRect& rect, QWidget* parent, unsigned id) = 0;
    virtual QWidget* GetFrameWnd() = 0;
    virtual void EnableCaption(bool enable);
    virtual void SetCaptionBarHeight(int height);
    // The icon is copied where it is drawn from; the caller may drop its own.
    virtual void SetCaptionText(const std::string& text, const QIcon& icon = QIcon());
    virtual void SetMessageText(const std::string& text);
    virtual void SetMessageFormat(unsigned flags);
    virtual void Paint(QPainter& dc);
    virtual QRect GetMessageRect();
    virtual void PaintMessage(QPainter& dc, QRect rect, const std::string& text, unsigned flags);
    virtual QRect GetCaptionRect();
    virtual void PaintCaption(QPainter& dc, QRect rect, const std::string& text, const QIcon& icon);

    bool IsCaptionEnabled() const { return m_bCaption; }
    int GetCaptionBarHeight() const { return m_nCaptionHeight; }
    const std::string& GetCaptionText(QIcon* icon = nullptr) const;
    const std::string& GetMessageText() const { return m_strMessage; }
    unsigned GetMessageFormat() const { return m_nMessageFormat; }

    // Converts DrawText flags to Qt's alignment and text flags.
    static int ToQtTextFlags(unsigned drawFlags);

protected:
    void InvalidateArea(const QRect& rect);

    bool m_bCaption = false;
    int m_nCaptionHeight = 0;
    std::string m_strCaptionText;
    // Only tells whether there is an icon; the drawing comes from a copy.
    QIcon m_hCaptionIcon;
    std::string m_strMessage;
    unsigned m_nMessageFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
};

} // namespace TreeSheet
