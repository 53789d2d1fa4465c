#pragma once

#include <QObject>
#include <QPoint>

#include <string>
#include <vector>

class CDlg;
class MyListCtrl;
class QAction;
class QMenu;
class QMimeData;

// What the result list offers on its selected rows beside the page's
// buttons: a context menu (Play, Show in Folder, Copy Path, Export to
// Folder..., Move to Trash, Delete Permanently..., Show Preview), Copy Path
// on Ctrl+C, and dragging the rows' files out to a file manager or a mail.
// A right click on a row outside the selection makes it the current and only
// selected row first; the Menu key opens the menu at the current row.
class RowActions : public QObject {
    Q_OBJECT

public:
    RowActions(CDlg& page, MyListCtrl& list, QAction* showPreview);

    QMenu* Menu() const { return m_pMenu; }

    // The files as the clipboard and a drag carry them: the paths as text,
    // one a line, and as URIs for file managers. Made from the paths' bytes,
    // so a name that is not UTF-8 still names its own file.
    static QMimeData* MakeMimeData(const std::vector<std::string>& paths);

    void OnCopyPath();
    void OnShowInFolder();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Popup(QPoint viewportPoint, int row);
    Q_INVOKABLE void StartDrag();

    CDlg& m_page;
    MyListCtrl& m_list;
    QMenu* m_pMenu;
    std::vector<QAction*> m_aRowActions;
};
