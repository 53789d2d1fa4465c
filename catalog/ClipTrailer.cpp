#include "catalog/ClipTrailer.h"

#include "platform/TextToken.h"

bool ParseClipTrailerView(std::span<const std::uint8_t> trailer, std::string_view& startText, std::string_view& endText)
{
    startText = {};
    endText = {};
    if (trailer.size() > kClipTrailerSize)
        trailer = trailer.last(kClipTrailerSize);
    std::string_view text(reinterpret_cast<const char*>(trailer.data()), trailer.size());
    text = text.substr(0, text.find('\0'));

    std::string_view rest = text;
    const std::string_view first = NextToken(rest, ",");
    if (first.size() < 2 || first[0] != 'N' || first[1] != 'C')
        return false;
    startText = first.substr(2);
    endText = NextToken(rest, ",");
    return true;
}

bool ParseClipTrailer(std::span<const std::uint8_t> trailer, std::string& startText, std::string& endText)
{
    std::string_view start, end;
    const bool found = ParseClipTrailerView(trailer, start, end);
    startText.assign(start);
    endText.assign(end);
    return found;
}
