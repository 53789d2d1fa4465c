#include "tree_sheet/CPageFrameDefault.h"

#include "platform/ui/QtStrings.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace TreeSheet {

namespace {

// Space left of the caption's icon, between icon and text, and before the text.
constexpr int kIconX = 3;
constexpr int kIconGap = 3;
constexpr int kTextIndent = 2;

} // namespace

CPageFrameDefault::CPageFrameDefault() : QWidget(nullptr)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CPageFrameDefault::~CPageFrameDefault() = default;

bool CPageFrameDefault::CreateFrame(const QRect& rect, QWidget* parent, unsigned id)
{
    if (!parent)
        return false;
    setParent(parent);
    setObjectName(QString::number(id));
    setWindowTitle(QStringLiteral("Page Frame"));
    setCursor(Qt::ArrowCursor);
    setGeometry(rect);
    show();
    return true;
}

void CPageFrameDefault::SetCaptionText(const std::string& text, const QIcon& icon)
{
    CPageFrame::SetCaptionText(text, icon);
    m_CaptionImage.DeleteImageList();
    if (icon.isNull())
        return;
    const QList<QSize> sizes = icon.availableSizes();
    const QSize size = sizes.isEmpty() ? QSize(16, 16) : sizes.first();
    // A copy of its own: the caller may drop the icon right after this call.
    if (m_CaptionImage.Create(size.width(), size.height()))
        if (m_CaptionImage.Add(QIcon(icon.pixmap(size))) < 0)
            m_CaptionImage.DeleteImageList();
}

QRect CPageFrameDefault::GetMessageRect()
{
    QRect rect = this->rect();
    // One row between caption bar and message belongs to neither.
    if (m_bCaption)
        rect.setTop(rect.top() + m_nCaptionHeight + 1);
    return rect;
}

QRect CPageFrameDefault::GetCaptionRect()
{
    return CPageFrame::GetCaptionRect();
}

bool CPageFrameDefault::HasCaptionImage(const QIcon& icon) const
{
    return !icon.isNull() && m_CaptionImage.GetImageCount() == 1;
}

QRect CPageFrameDefault::GetCaptionTextRect(QRect rect, const QIcon& icon) const
{
    if (HasCaptionImage(icon))
        rect.setLeft(rect.left() + m_CaptionImage.GetImageSize().width() + kIconGap);
    rect.setLeft(rect.left() + kTextIndent);
    return rect;
}

void CPageFrameDefault::PaintCaption(QPainter& dc, QRect rect, const std::string& text, const QIcon& icon)
{
    const QColor from = InactiveCaptionColour();
    const QColor to = SampleBackground(dc, QPoint(rect.right(), rect.top()));
    FillHorzGradient(dc, rect, from, to);

    if (HasCaptionImage(icon)) {
        const QSize size = m_CaptionImage.GetImageSize();
        const int y = (rect.top() + rect.top() + rect.height()) / 2 - size.height() / 2;
        dc.drawPixmap(kIconX, y, m_CaptionImage.ExtractIcon(0).pixmap(size));
    }
    const QRect textRect = GetCaptionTextRect(rect, icon);

    dc.save();
    QFont font = this->font();
    font.setBold(true);
    dc.setFont(font);
    dc.setPen(CaptionTextColour());
    dc.setBackgroundMode(Qt::TransparentMode);
    const QString shown = QFontMetrics(font).elidedText(ToQString(text), Qt::ElideRight, textRect.width());
    dc.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    dc.restore();
}

void CPageFrameDefault::FillHorzGradient(QPainter& dc, const QRect& rect, const QColor& from, const QColor& to)
{
    // The platform's rectangles end one past their last column; the gradient
    // runs up to and including that edge, which gets the target colour.
    const double w = rect.width();
    const int right = rect.left() + rect.width();
    double red = from.red(), green = from.green(), blue = from.blue();
    const double stepRed = w > 0 ? (to.red() - from.red()) / w : 0;
    const double stepGreen = w > 0 ? (to.green() - from.green()) / w : 0;
    const double stepBlue = w > 0 ? (to.blue() - from.blue()) / w : 0;
    for (int x = rect.left(); x <= right; ++x) {
        const QColor colour(static_cast<int>(red) & 0xff, static_cast<int>(green) & 0xff,
                            static_cast<int>(blue) & 0xff);
        dc.fillRect(QRect(x, rect.top(), 1, rect.height()), colour);
        red += stepRed;
        green += stepGreen;
        blue += stepBlue;
    }
}

QColor CPageFrameDefault::InactiveCaptionColour() const
{
    return palette().color(QPalette::Inactive, QPalette::Highlight);
}

QColor CPageFrameDefault::CaptionTextColour() const
{
    return palette().color(QPalette::Inactive, QPalette::HighlightedText);
}

QColor CPageFrameDefault::SampleBackground(QPainter& dc, QPoint at) const
{
    // Painting goes through an image (see paintEvent), so the erased
    // background can be read back as on the platform.
    if (dc.device() && dc.device()->devType() == QInternal::Image) {
        const auto* image = static_cast<const QImage*>(dc.device());
        const QPoint pixel = (QPointF(at) * image->devicePixelRatio()).toPoint();
        if (image->rect().contains(pixel))
            return image->pixelColor(pixel);
    }
    return palette().color(QPalette::Window);
}

void CPageFrameDefault::paintEvent(QPaintEvent*)
{
    QImage image(size() * devicePixelRatio(), QImage::Format_RGB32);
    image.setDevicePixelRatio(devicePixelRatio());
    image.fill(palette().color(QPalette::Window));
    {
        QPainter dc(&image);
        Paint(dc);
    }
    QPainter(this).drawImage(0, 0, image);
}

} // namespace TreeSheet
