#include "platform/ProfileReader.h"

#include "platform/AsciiCase.h"
#include "platform/Utf8Cut.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Returns the next line and advances past its end (LF, CR or CR LF).
std::string_view NextLine(std::string_view& rest)
{
    std::size_t end = 0;
    while (end < rest.size() && rest[end] != '\n' && rest[end] != '\r')
        ++end;
    const std::string_view line = rest.substr(0, end);
    if (end < rest.size() && rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n')
        ++end;
    rest.remove_prefix(end < rest.size() ? end + 1 : end);
    return line;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 text (without its byte-order mark) as UTF-8. A lone surrogate
// becomes U+FFFD; an odd last byte is dropped.
std::string Utf16ToUtf8(std::string_view bytes, bool littleEndian)
{
    const auto unit = [&](std::size_t i) {
        const auto b0 = static_cast<unsigned char>(bytes[2 * i]);
        const auto b1 = static_cast<unsigned char>(bytes[2 * i + 1]);
        return static_cast<char16_t>(littleEndian ? b0 | (b1 << 8) : (b0 << 8) | b1);
    };
    const std::size_t units = bytes.size() / 2;
    std::string out;
    out.reserve(units * 3 / 2);
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

std::string FinishValue(std::string_view value)
{
    // A NUL byte ends the value, as on Windows: after the blanks around the
    // whole line's value are dropped, before its quotes are looked at.
    value = value.substr(0, value.find('\0'));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value.remove_prefix(1);
        value.remove_suffix(1);
    }
    return std::string(CutUtf8(value, kMaxProfileValue));
}

} // namespace

std::string ProfileLookup(std::string_view content, std::string_view section, std::string_view key)
{
    // Windows editors often save settings files as UTF-16 with a byte-order
    // mark; read as UTF-8, every other rule stays as it is.
    std::string converted;
    if (content.substr(0, 2) == "\xFF\xFE" || content.substr(0, 2) == "\xFE\xFF") {
        converted = Utf16ToUtf8(content.substr(2), content[0] == '\xFF');
        content = converted;
    } else if (content.substr(0, 3) == "\xEF\xBB\xBF") {
        content.remove_prefix(3);
    }

    // As Windows reads them: the keys before the first section belong to a
    // section without a name; a line that opens a bracket without closing it
    // is no section (its keys stay in the section before); a line starting
    // with ';' is a comment only in that no key is ever asked for by such a
    // name.
    bool inSection = section.empty();
    bool sectionSeen = inSection;
    while (!content.empty()) {
        const std::string_view line = Trim(NextLine(content));
        if (line.empty())
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close == std::string_view::npos)
                continue;
            if (inSection)
                return {}; // only the first section of that name is searched
            inSection = !sectionSeen && EqualsNoCase(Trim(line.substr(1, close - 1)), section);
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        if (!inSection)
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        if (EqualsNoCase(Trim(line.substr(0, equals)), key))
            return FinishValue(Trim(line.substr(equals + 1)));
    }
    return {};
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key, const std::string& path)
{
    return ProfileValue(ReadProfileFile(path), section, key);
}
