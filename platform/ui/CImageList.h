#pragma once

#include <QIcon>
#include <QList>
#include <QSize>

// An image list: icons of one size, addressed by index. A list that has not
// been created (or was released) holds nothing and reports no size, like an
// image list without a handle.
class CImageList {
public:
    bool Create(int cx, int cy);
    void DeleteImageList();
    bool IsCreated() const { return m_bCreated; }

    QSize GetImageSize() const { return m_size; }
    int GetImageCount() const { return static_cast<int>(m_images.size()); }
    // Appends icon; returns its index, or -1 when the list is not created or
    // the icon is null.
    int Add(const QIcon& icon);
    bool Remove(int index);
    // The image as an icon of its own; a null icon for an index outside the list.
    QIcon ExtractIcon(int index) const;

    // Splits a horizontal strip of images of width cx, the colour mask made
    // transparent. False, with the list released, when the file cannot be read.
    bool LoadStrip(const QString& path, int cx, const QColor& mask);

private:
    bool m_bCreated = false;
    QSize m_size;
    QList<QIcon> m_images;
};
