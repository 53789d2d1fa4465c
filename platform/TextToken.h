#pragma once

#include <string_view>

// strtok over a view, which it advances: skips the characters of skip at the
// start, takes the piece up to the first character of until (the whole rest
// when none follows) and consumes that one character. Empty when nothing is
// left.
constexpr std::string_view NextToken(std::string_view& rest, std::string_view skip, std::string_view until)
{
    const std::size_t start = rest.find_first_not_of(skip);
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    const std::size_t end = rest.find_first_of(until);
    const std::string_view token = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return token;
}

// strtok proper: the same delimiters are skipped and end the piece.
constexpr std::string_view NextToken(std::string_view& rest, std::string_view delimiters)
{
    return NextToken(rest, delimiters, delimiters);
}
