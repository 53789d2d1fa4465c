#include "platform/ui/CImageList.h"

#include <QBitmap>
#include <QPixmap>

bool CImageList::Create(int cx, int cy)
{
    if (cx <= 0 || cy <= 0)
        return false;
    m_images.clear();
    m_size = QSize(cx, cy);
    m_bCreated = true;
    return true;
}

void CImageList::DeleteImageList()
{
    m_images.clear();
    m_size = QSize();
    m_bCreated = false;
}

int CImageList::Add(const QIcon& icon)
{
    if (!m_bCreated || icon.isNull())
        return -1;
    m_images.append(icon);
    return GetImageCount() - 1;
}

bool CImageList::Remove(int index)
{
    if (index < 0 || index >= GetImageCount())
        return false;
    m_images.removeAt(index);
    return true;
}

QIcon CImageList::ExtractIcon(int index) const
{
    if (index < 0 || index >= GetImageCount())
        return {};
    return m_images[index];
}

bool CImageList::LoadStrip(const QString& path, int cx, const QColor& mask)
{
    DeleteImageList();
    QPixmap strip(path);
    if (strip.isNull() || cx <= 0)
        return false;
    strip.setMask(strip.createMaskFromColor(mask, Qt::MaskInColor));
    Create(cx, strip.height());
    for (int x = 0; x + cx <= strip.width(); x += cx)
        m_images.append(QIcon(strip.copy(x, 0, cx, strip.height())));
    return true;
}
