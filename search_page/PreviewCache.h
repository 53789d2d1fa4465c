#pragma once

#include <QImage>

#include <cstddef>
#include <list>
#include <string>
#include <unordered_map>
#include <utility>

// The previews decoded while the program runs, by path, the least recently
// used going first once either bound is reached. A null image ("No preview")
// is kept like any other, so that a broken clip is not decoded again.
class PreviewCache {
public:
    PreviewCache(std::size_t maxEntries, std::size_t maxBytes);

    // Null when the path is not cached; the entry becomes the most recent.
    const QImage* Find(const std::string& path);
    void Insert(const std::string& path, QImage image);

    std::size_t Count() const { return m_entries.size(); }
    std::size_t Bytes() const { return m_nBytes; }

private:
    using Entry = std::pair<std::string, QImage>;

    std::size_t m_nMaxEntries;
    std::size_t m_nMaxBytes;
    std::size_t m_nBytes = 0;
    // Most recent first.
    std::list<Entry> m_entries;
    std::unordered_map<std::string, std::list<Entry>::iterator> m_index;
};
