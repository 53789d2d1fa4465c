#include "platform/CFileFind.h"

#include "platform/AsciiCase.h"

#include <algorithm>
#include <cstdint>
#include <vector>

// What CFileFind does the same on every system: the mask rule and the order
// of the listing.

bool CFileFind::MatchesMask(std::string_view name, std::string_view mask)
{
    // The masks a scan uses, "*" and "*.asf", are a name's end at most: told
    // without the general match, which a listing would do once a name.
    if (!mask.empty() && mask.front() == '*' &&
        std::none_of(mask.begin() + 1, mask.end(), [](char c) { return c == '*' || c == '?'; }))
        return EndsWithNoCase(name, mask.substr(1));
    // Iterative wildcard match with one backtrack point: linear in practice
    // and never recursive, whatever the mask.
    std::size_t n = 0, m = 0, starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && (mask[m] == '?' || FoldUpper(static_cast<unsigned char>(mask[m])) ==
                                                             FoldUpper(static_cast<unsigned char>(name[n])))) {
            ++m;
            ++n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

namespace {

// Eight bytes of name from place on, letter case folded, as one number that
// orders as those bytes do; past the name's end zeros, which no name holds,
// so that a name goes before those it begins.
std::uint64_t FoldedKey(std::string_view name, std::size_t place)
{
    std::uint64_t key = 0;
    for (std::size_t i = place; i < place + 8; ++i)
        key = key << 8 | (i < name.size() ? FoldUpper(static_cast<unsigned char>(name[i])) : 0u);
    return key;
}

} // namespace

void CFileFind::Sort()
{
    const std::string_view names(m_names);
    const auto nameOf = [names](std::uint32_t offset, std::size_t length) { return names.substr(offset, length); };
    if (m_entries.empty())
        return;
    // What every name begins with decides nothing: the eight bytes after it
    // do, for most pairs, compared as one number, and the whole names only
    // where those are the same.
    const std::string_view first = nameOf(m_entries.front().nOffset, m_entries.front().nLength);
    std::size_t shared = first.size();
    for (const Entry& entry : m_entries) {
        const std::string_view name = nameOf(entry.nOffset, entry.nLength);
        std::size_t i = 0;
        while (i < shared && i < name.size() &&
               FoldUpper(static_cast<unsigned char>(name[i])) == FoldUpper(static_cast<unsigned char>(first[i])))
            ++i;
        shared = i;
    }
    // Sixteen bytes a name, only while sorting.
    struct Keyed {
        std::uint64_t nKey;
        std::uint32_t nOffset;
        std::uint16_t nLength;
        unsigned char nType;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(m_entries.size());
    for (const Entry& entry : m_entries)
        keyed.push_back({FoldedKey(nameOf(entry.nOffset, entry.nLength), shared), entry.nOffset,
                         static_cast<std::uint16_t>(entry.nLength), entry.nType});
    std::sort(keyed.begin(), keyed.end(), [&nameOf](const Keyed& a, const Keyed& b) {
        if (a.nKey != b.nKey)
            return a.nKey < b.nKey;
        const std::string_view left = nameOf(a.nOffset, a.nLength), right = nameOf(b.nOffset, b.nLength);
        const int c = CompareNoCase(left, right);
        return c != 0 ? c < 0 : left < right;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        m_entries[i] = {keyed[i].nOffset, keyed[i].nLength, keyed[i].nType};
}
