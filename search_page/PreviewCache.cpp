#include "search_page/PreviewCache.h"

namespace {

std::size_t SizeOf(const QImage& image)
{
    return static_cast<std::size_t>(image.sizeInBytes());
}

} // namespace

PreviewCache::PreviewCache(std::size_t maxEntries, std::size_t maxBytes)
    : m_nMaxEntries(maxEntries), m_nMaxBytes(maxBytes)
{ }

const QImage* PreviewCache::Find(const std::string& path)
{
    const auto found = m_index.find(path);
    if (found == m_index.end())
        return nullptr;
    m_entries.splice(m_entries.begin(), m_entries, found->second);
    return &found->second->second;
}

void PreviewCache::Insert(const std::string& path, QImage image)
{
    if (const auto found = m_index.find(path); found != m_index.end()) {
        m_nBytes -= SizeOf(found->second->second);
        m_entries.erase(found->second);
        m_index.erase(found);
    }
    m_nBytes += SizeOf(image);
    m_entries.emplace_front(path, std::move(image));
    m_index.emplace(path, m_entries.begin());
    // The newest entry stays even when it alone is over the byte bound.
    while (m_entries.size() > 1 && (m_entries.size() > m_nMaxEntries || m_nBytes > m_nMaxBytes)) {
        m_nBytes -= SizeOf(m_entries.back().second);
        m_index.erase(m_entries.back().first);
        m_entries.pop_back();
    }
}
