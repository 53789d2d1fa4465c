#include "search_page/ListSortChoice.h"

#include "platform/ui/AsyncTask.h"
#include "platform/ui/WindowPlacement.h"

#include <QFileInfo>
#include <QSettings>
#include <QWidget>

#include <mutex>

namespace {

constexpr auto kColumnKey = "List/SortColumn";
constexpr auto kDescendingKey = "List/SortDescending";

// A file that is there but no regular one (a FIFO no one writes, a device)
// would hold a worker for good.
bool Usable(const QString& file)
{
    const QFileInfo info(file);
    return !info.exists() || info.isFile();
}

} // namespace

struct ListSortChoice::Kept {
    std::mutex mutex;
    int nColumn = -1;
    bool bDescending = false;
};

ListSortChoice& ListSortChoice::Of(QWidget& window)
{
    if (auto* choice = window.findChild<ListSortChoice*>(QString(), Qt::FindDirectChildrenOnly))
        return *choice;
    return *new ListSortChoice(window, WindowPlacement::DefaultFile());
}

ListSortChoice::ListSortChoice(QWidget& window, QString file)
    : QObject(&window),
      m_strFile(std::move(file)),
      m_pKept(std::make_shared<Kept>()),
      m_pLoad(new AsyncTask(this)),
      m_pSave(new AsyncTask(this))
{
    struct Read {
        int nColumn = -1;
        bool bDescending = false;
    };
    m_pLoad->Run(
        [file = m_strFile](const std::stop_token&) {
            Read read;
            if (!Usable(file))
                return read;
            const QSettings settings(file, QSettings::IniFormat);
            bool number = false;
            const int column = settings.value(kColumnKey).toInt(&number);
            if (number && column >= 0 && column < kColumns) {
                read.nColumn = column;
                read.bDescending = settings.value(kDescendingKey).toBool();
            }
            return read;
        },
        [this](const Read& read) {
            if (m_bChosen || read.nColumn < 0)
                return;
            m_nColumn = read.nColumn;
            m_order = read.bDescending ? Qt::DescendingOrder : Qt::AscendingOrder;
            emit Changed();
        });
}

void ListSortChoice::OnColumnClick(int column)
{
    if (column < 0 || column >= kColumns)
        return;
    if (column == m_nColumn)
        Set(column, m_order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder);
    else
        Set(column, column == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void ListSortChoice::Set(int column, Qt::SortOrder order)
{
    m_bChosen = true;
    m_nColumn = column;
    m_order = order;
    emit Changed();
    {
        const std::lock_guard lock(m_pKept->mutex);
        m_pKept->nColumn = column;
        m_pKept->bDescending = order == Qt::DescendingOrder;
    }
    // Writes started earlier may still run; each writes the latest choice,
    // so the last to finish leaves it in the file.
    m_pSave->Run(
        [kept = m_pKept, file = m_strFile](const std::stop_token&) {
            const std::lock_guard lock(kept->mutex);
            if (Usable(file)) {
                QSettings settings(file, QSettings::IniFormat);
                settings.setValue(kColumnKey, kept->nColumn);
                settings.setValue(kDescendingKey, kept->bDescending);
            }
            return true;
        },
        [](bool) {});
}
