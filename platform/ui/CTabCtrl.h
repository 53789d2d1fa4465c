#pragma once

#include <QWidget>

#include <string>

class CImageList;
class QTabBar;

// A tab control: a strip of tabs over a framed display area. Like the
// platform's control it only shows the tabs; the property sheet places its
// pages over the display area.
class CTabCtrl : public QWidget {
    Q_OBJECT

public:
    explicit CTabCtrl(QWidget* parent = nullptr);

    int InsertItem(int index, const std::string& text, int image = -1);
    bool DeleteItem(int index);
    int GetItemCount() const;
    // Reads an item's text and image index; false for an index outside the strip.
    bool GetItem(int index, std::string* text, int* image) const;
    QRect GetItemRect(int index) const;

    int GetCurSel() const;
    // Selects without telling anyone; returns the previous selection.
    int SetCurSel(int index);

    // Not owned. The tabs show the images their items name.
    void SetImageList(CImageList* images);
    CImageList* GetImageList() const { return m_pImages; }

    // Stacked tabs wrap into rows on the platform; here a strip that does not
    // fit either scrolls (off) or is cut to the width (on).
    void SetStackedTabs(bool stacked);

    // The area below the tabs, inside the frame, in this control's coordinates.
    QRect GetDisplayRect() const;

signals:
    // The user picked another tab. The selection has already moved; whoever
    // refuses the change puts it back with SetCurSel.
    void SelectionPicked(int index, int previous);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int StripHeight() const;
    void RefreshIcons();

    QTabBar* m_pTabBar;
    CImageList* m_pImages = nullptr;
    QList<int> m_itemImages;
    int m_nCurSel = -1;
    bool m_bSettingSelection = false;
};
