#include "platform/CFileFind.h"

#include "platform/AsciiCase.h"

// The mask rule of CFileFind, the same on every system.

bool CFileFind::MatchesMask(std::string_view name, std::string_view mask)
{
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
