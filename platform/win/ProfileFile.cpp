#include "platform/ProfileReader.h"

#include "platform/FileHandle.h"
#include "platform/win/WideText.h"

#include <climits>
#include <windows.h>

namespace {

// Settings files are a few KB; a larger file is read only this far.
constexpr std::size_t kMaxProfileFile = 16u << 20;

bool HasByteOrderMark(std::string_view content)
{
    return content.starts_with("\xFF\xFE") || content.starts_with("\xFE\xFF") || content.starts_with("\xEF\xBB\xBF");
}

// Text in the system's ANSI code page as UTF-8.
std::string Utf8FromCodePage(std::string_view text)
{
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return Utf8FromWide(wide);
}

} // namespace

std::string ReadProfileFile(const std::string& path)
{
    std::string content;
    if (path.empty() || !FileHandle::ReadAll(path, content, kMaxProfileFile))
        return {};
    return content;
}

std::string ProfileValue(std::string_view content, std::string_view section, std::string_view key)
{
    const std::string value = ProfileLookup(content, section, key);
    // Windows reads a file without a byte-order mark in the ANSI code page
    // (Windows-1252 in the West): so does this half, so that the folder names
    // the recorder wrote there are the ones it made. UTF-8 with its mark and
    // UTF-16 are read as such.
    return HasByteOrderMark(content) ? value : Utf8FromCodePage(value);
}
