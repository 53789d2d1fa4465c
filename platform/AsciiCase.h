#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

// Letter case as the Windows file system and profile reader ignore it: ASCII
// letters only, folded to upper case, so that "_" and the other characters
// between "Z" and "a" sort after the letters, as in a Windows folder listing.
// Every other byte compares as it is.

constexpr unsigned char FoldUpper(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// Negative, zero or positive as a sorts before, with or after b.
constexpr int CompareNoCase(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = FoldUpper(static_cast<unsigned char>(a[i]));
        const unsigned char y = FoldUpper(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

constexpr bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

// Whether a file name or path ends in an extension such as ".avi", any case.
constexpr bool EndsWithNoCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}
