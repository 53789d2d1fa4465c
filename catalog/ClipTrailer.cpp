#include "catalog/ClipTrailer.h"

namespace {

// strtok over a view with the one delimiter ",": skips leading commas, takes
// the piece up to the next comma and consumes that comma.
std::string_view NextPiece(std::string_view& rest)
{
    const std::size_t start = rest.find_first_not_of(',');
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    const std::size_t end = rest.find(',');
    const std::string_view piece = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return piece;
}

} // namespace

bool ParseClipTrailerView(std::span<const std::uint8_t> trailer, std::string_view& startText,
                          std::string_view& endText)
{
    startText = {};
    endText = {};
    if (trailer.size() > kClipTrailerSize)
        trailer = trailer.last(kClipTrailerSize);
    std::string_view text(reinterpret_cast<const char*>(trailer.data()), trailer.size());
    text = text.substr(0, text.find('\0'));

    std::string_view rest = text;
    const std::string_view first = NextPiece(rest);
    if (first.size() < 2 || first[0] != 'N' || first[1] != 'C')
        return false;
    startText = first.substr(2);
    endText = NextPiece(rest);
    return true;
}

bool ParseClipTrailer(std::span<const std::uint8_t> trailer, std::string& startText,
                      std::string& endText)
{
    std::string_view start, end;
    const bool found = ParseClipTrailerView(trailer, start, end);
    startText.assign(start);
    endText.assign(end);
    return found;
}
