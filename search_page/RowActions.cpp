#include "search_page/RowActions.h"

#include "platform/FileUri.h"
#include "platform/ui/QtStrings.h"
#include "platform/ui/ShellLauncher.h"
#include "search_page/CDlg.h"
#include "search_page/MyListCtrl.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QShortcut>

namespace {

// The length of the UTF-8 sequence of a character that is no control
// character at the start of bytes; 0 for a control character (C0, DEL, C1) or
// a byte that starts no well-formed sequence.
qsizetype PrintableLength(QByteArrayView bytes)
{
    const auto lead = static_cast<unsigned char>(bytes.front());
    if (lead < 0x80)
        return lead >= 0x20 && lead != 0x7F ? 1 : 0;
    const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (bytes.size() < length || !bytes.first(length).isValidUtf8())
        return 0;
    return lead == 0xC2 && static_cast<unsigned char>(bytes[1]) < 0xA0 ? 0 : length;
}

// A path as the clipboard's text gives it: as it is, unless a control
// character (which a terminal acts on, and which splits or hides lines) or a
// byte that is not UTF-8 (which text cannot carry) is in it. Such a path is
// written in the shell's $'...' quoting, those bytes as \xHH: pasted into a
// shell it names the file, and read it still says which file is meant.
QByteArray PathText(const std::string& path)
{
    const QByteArrayView bytes(path);
    bool plain = true;
    for (qsizetype i = 0; plain && i < bytes.size();) {
        const qsizetype length = PrintableLength(bytes.sliced(i));
        plain = length > 0;
        i += length;
    }
    if (plain)
        return bytes.toByteArray();
    QByteArray text = "$'";
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = PrintableLength(bytes.sliced(i));
        if (length == 0) {
            text += "\\x" + QByteArray::number(static_cast<unsigned char>(bytes[i]), 16).rightJustified(2, '0');
            ++i;
        } else if (bytes[i] == '\\' || bytes[i] == '\'') {
            text += '\\';
            text += bytes[i++];
        } else {
            text += bytes.sliced(i, length);
            i += length;
        }
    }
    return text + '\'';
}

} // namespace

RowActions::RowActions(CDlg& page, MyListCtrl& list, QAction* showPreview)
    : QObject(&page), m_page(page), m_list(list), m_pMenu(new QMenu(&list))
{
    m_pMenu->setObjectName(QStringLiteral("rowMenu"));
    const auto add = [this](const char* text, const QKeySequence& keys, auto handler) {
        QAction* action = m_pMenu->addAction(QString::fromLatin1(text));
        connect(action, &QAction::triggered, this, handler);
        // Shown beside it: the keys are the list's own, and as a shortcut of
        // the menu, which never takes the focus, the action's never fires.
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        m_aRowActions.push_back(action);
    };
    add("Play", Qt::Key_Enter, [this] { m_page.OnPlayback(); });
    add("Show in Folder", {}, [this] { OnShowInFolder(); });
    add("Copy Path", QKeySequence::Copy, [this] { OnCopyPath(); });
    add("Export to Folder...", Qt::CTRL | Qt::Key_E, [this] { m_page.OnExport(); });
    m_pMenu->addSeparator();
    add("Move to Trash", Qt::Key_Delete, [this] { m_page.OnDelete(); });
    add("Delete Permanently...", Qt::SHIFT | Qt::Key_Delete, [this] { m_page.OnDeletePermanently(); });
    m_pMenu->addSeparator();
    m_pMenu->addAction(showPreview);

    auto* copy = new QShortcut(QKeySequence::Copy, &m_list);
    copy->setContext(Qt::WidgetShortcut);
    connect(copy, &QShortcut::activated, this, &RowActions::OnCopyPath);
    auto* exportFiles = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), &m_page);
    exportFiles->setContext(Qt::WidgetWithChildrenShortcut);
    connect(exportFiles, &QShortcut::activated, this, [this] { m_page.OnExport(); });
    connect(&m_list, &MyListCtrl::DragStarted, this, &RowActions::StartDrag, Qt::QueuedConnection);

    m_list.setContextMenuPolicy(Qt::DefaultContextMenu);
    m_list.installEventFilter(this);
    m_list.viewport()->installEventFilter(this);
}

QMimeData* RowActions::MakeMimeData(const std::vector<std::string>& paths)
{
    QByteArray text, uris, gnome = "copy";
    for (const std::string& path : paths) {
        if (!text.isEmpty())
            text += '\n';
        text += PathText(path);
        const QByteArray uri = QByteArray::fromStdString(FileUri::Of(path));
        uris += uri + "\r\n";
        gnome += '\n' + uri;
    }
    auto* data = new QMimeData;
    data->setText(QString::fromUtf8(text));
    data->setData(QStringLiteral("text/uri-list"), uris);
    // What GNOME's file manager pastes from.
    data->setData(QStringLiteral("x-special/gnome-copied-files"), gnome);
    return data;
}

void RowActions::OnCopyPath()
{
    const std::vector<std::string> paths = m_page.GetSelectedPaths();
    if (!paths.empty())
        QGuiApplication::clipboard()->setMimeData(MakeMimeData(paths));
}

void RowActions::OnShowInFolder()
{
    const std::vector<std::string> paths = m_page.GetSelectedPaths();
    if (paths.empty())
        return;
    QPointer<CDlg> page(&m_page);
    // Without a file manager that answers, the folder is explored as Explore
    // does it, off the window's thread: it may be a silent share.
    m_page.Launcher().ShowItems(paths, [page](bool shown) {
        if (page && !shown)
            page->OnExplore();
    });
}

bool RowActions::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ContextMenu)
        return QObject::eventFilter(watched, event);
    auto* menuEvent = static_cast<QContextMenuEvent*>(event);
    if (menuEvent->reason() == QContextMenuEvent::Mouse && watched == m_list.viewport()) {
        Popup(menuEvent->pos(), m_list.rowAt(menuEvent->pos().y()));
    } else {
        // From the keyboard: at the current row, or at the top of the rows.
        const QRect row = m_list.GetItemRect(m_page.m_nCurrentRow, LVIR_LABEL);
        Popup(m_page.m_nCurrentRow >= 0 && row.isValid() ? row.center() : QPoint(0, 0), -1);
    }
    return true;
}

void RowActions::Popup(QPoint viewportPoint, int row)
{
    if (row >= 0)
        m_page.MakeRowCurrent(row);
    const bool rows = !m_page.IsSearching() && !m_page.GetSelectedPaths().empty();
    for (QAction* action : m_aRowActions)
        action->setEnabled(rows);
    // Not exec(): nothing waits for the menu to close.
    m_pMenu->popup(m_list.viewport()->mapToGlobal(viewportPoint));
}

void RowActions::StartDrag()
{
    const std::vector<std::string> paths = m_page.GetSelectedPaths();
    if (paths.empty())
        return;
    auto* drag = new QDrag(&m_list);
    drag->setMimeData(MakeMimeData(paths));
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}
