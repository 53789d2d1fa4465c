#include "platform/ProfileReader.h"

#include "platform/FileHandle.h"

namespace {

// Settings files are a few KB; a larger file is read only this far.
constexpr std::size_t kMaxProfileFile = 16u << 20;

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

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
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

// Where to cut text (longer than limit) to at most limit bytes: before a
// UTF-8 sequence that the limit would split, else at the limit. Bytes that
// form no such sequence (text in a single-byte code page) are characters of
// their own, so a run of them never moves the cut.
std::size_t Utf8SafeCut(std::string_view text, std::size_t limit)
{
    const auto isContinuation = [&text](std::size_t i) {
        return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
    };
    if (!isContinuation(limit))
        return limit;
    for (std::size_t back = 1; back <= 3 && back <= limit; ++back) {
        if (isContinuation(limit - back))
            continue;
        const unsigned char lead = static_cast<unsigned char>(text[limit - back]);
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        return length > back ? limit - back : limit;
    }
    return limit;
}

std::string FinishValue(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value.remove_prefix(1);
        value.remove_suffix(1);
    }
    if (value.size() > kMaxProfileValue)
        value = value.substr(0, Utf8SafeCut(value, kMaxProfileValue));
    return std::string(value);
}

} // namespace

std::string ProfileLookup(std::string_view content, std::string_view section, std::string_view key)
{
    if (content.substr(0, 3) == "\xEF\xBB\xBF")
        content.remove_prefix(3);

    bool inSection = false;
    bool sectionSeen = false;
    while (!content.empty()) {
        const std::string_view line = Trim(NextLine(content));
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            if (inSection)
                return {}; // only the first section of that name is searched
            std::string_view name = line.substr(1);
            const std::size_t close = name.rfind(']');
            if (close != std::string_view::npos)
                name = name.substr(0, close);
            inSection = !sectionSeen && EqualsNoCase(Trim(name), section);
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

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    const std::string& path)
{
    if (path.empty())
        return {};
    std::string content;
    if (!FileHandle::ReadAll(path, content, kMaxProfileFile))
        return {};
    return ProfileLookup(content, section, key);
}
