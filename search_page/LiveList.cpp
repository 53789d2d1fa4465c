#include "search_page/LiveList.h"

#include "platform/ui/AsyncTask.h"

#include <utility>

LiveList::LiveList(QObject* parent, std::function<std::shared_ptr<const RecordedFileTable>()> shown)
    : QObject(parent), m_fnShown(std::move(shown)), m_pTask(new AsyncTask(this))
{ }

void LiveList::Follow(LiveListing::Search search)
{
    Stop();
    m_search = std::move(search);
    m_pListing = nullptr;
}

void LiveList::Look(const CTime& searchEnd)
{
    if (m_pTask->IsRunning()) {
        m_tPendingEnd = searchEnd;
        return;
    }
    std::shared_ptr<LiveListing> listing = std::exchange(m_pListing, {});
    if (listing == nullptr)
        listing = std::make_shared<LiveListing>(m_search);
    m_pTask->Run([listing, shown = m_fnShown(),
                  searchEnd](const std::stop_token& stop) { return listing->Look(*shown, searchEnd, stop); },
                 [this, listing, searchEnd](LiveListing::Update update) {
                     m_pListing = listing;
                     if (update.bChanged) {
                         m_rows = std::move(update.rows);
                         m_tSearchEnd = searchEnd;
                         emit Changed();
                     }
                     // From what the list shows now, these rows among them.
                     if (m_tPendingEnd)
                         Look(*std::exchange(m_tPendingEnd, std::nullopt));
                 });
}

void LiveList::Stop()
{
    m_pTask->Stop();
    m_tPendingEnd.reset();
}
