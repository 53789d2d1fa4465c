#include "platform/FileSystemKind.h"

#include "platform/win/WideText.h"

#include <windows.h>

#include <vector>

bool FileSystemKind::IsShare(const std::string& folder)
{
    // The drive type is the volume's: a folder below a mapped drive's root or
    // within a UNC share is asked by the root it lies under.
    const std::wstring path = WideFromUtf8(folder);
    std::vector<wchar_t> root(path.size() + MAX_PATH + 1);
    if (!GetVolumePathNameW(path.c_str(), root.data(), static_cast<DWORD>(root.size())))
        return false;
    return GetDriveTypeW(root.data()) == DRIVE_REMOTE;
}
