#include "platform/ConfigPlaces.h"

#include "platform/win/WideText.h"

#include <cwchar>
#include <windows.h>

namespace {

constexpr const char* kFolder = "Clipscout\\";

// A variable's value as UTF-8, or empty when it is unset.
std::string Environment(const wchar_t* name)
{
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, value.data(), size);
    if (length == 0 || length >= size)
        return {};
    value.resize(length);
    return Utf8FromWide(value);
}

// A drive's path ("C:\...") or a share's ("\\server\...").
bool IsAbsolute(const std::string& path)
{
    const bool drive = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    const bool share = path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
    return drive || share;
}

std::string WithSeparator(std::string folder)
{
    if (folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    return folder;
}

} // namespace

namespace ConfigPlaces {

std::size_t FolderLength(std::string_view path)
{
    const std::size_t separator = path.find_last_of("/\\");
    if (separator != std::string_view::npos)
        return separator + 1;
    // "C:name" is name in the current folder of drive C.
    return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

std::vector<std::string> SettingsFolders()
{
    std::vector<std::string> folders;
    for (const wchar_t* name : {L"APPDATA", L"ProgramData"}) {
        const std::string folder = Environment(name);
        if (IsAbsolute(folder))
            folders.push_back(WithSeparator(folder) + kFolder);
    }
    return folders;
}

bool IsFile(const std::string& path)
{
    const std::wstring wide = WideFromUtf8(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    return !wide.empty() && ::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) &&
           (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

} // namespace ConfigPlaces
