#include "platform/win/WinFiles.h"

#include "platform/win/WideText.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <vector>
#include <winternl.h>

namespace winfiles {

namespace {

// 100 ns ticks from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kEpochTicks = 116444736000000000LL;

CTime TimeOf(const FILETIME& time)
{
    const std::int64_t ticks =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    const std::int64_t since = ticks - kEpochTicks;
    // Whole seconds, rounded down also before 1970.
    return CTime(since >= 0 ? since / 10000000 : -((-since + 9999999) / 10000000));
}

} // namespace

HANDLE HandleOf(int fd)
{
    if (fd < 0)
        return INVALID_HANDLE_VALUE;
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

int DescriptorFor(HANDLE handle)
{
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0)
        ::CloseHandle(handle);
    return fd;
}

namespace {

HANDLE CreateRelative(HANDLE folder, const std::string& name, ACCESS_MASK access, ULONG options, ULONG share,
                      ULONG disposition, ULONG attributes)
{
    std::wstring wide = WideFromUtf8(name);
    // A relative name is one entry of the folder: nothing that walks.
    if (wide.empty() || wide.size() > 32767 || wide.find_first_of(L"\\/") != std::wstring::npos || wide == L"." ||
        wide == L"..") {
        errno = ENOENT;
        return INVALID_HANDLE_VALUE;
    }
    UNICODE_STRING objectName;
    objectName.Buffer = wide.data();
    objectName.Length = static_cast<USHORT>(wide.size() * sizeof(wchar_t));
    objectName.MaximumLength = objectName.Length;
    OBJECT_ATTRIBUTES objectAttributes;
    InitializeObjectAttributes(&objectAttributes, &objectName, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE handle = INVALID_HANDLE_VALUE;
    const NTSTATUS status = ::NtCreateFile(&handle, access | SYNCHRONIZE, &objectAttributes, &io, nullptr, attributes,
                                           share, disposition, options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (status < 0) {
        errno = ErrnoFromWin32(::RtlNtStatusToDosError(status));
        return INVALID_HANDLE_VALUE;
    }
    return handle;
}

} // namespace

HANDLE OpenInFolder(HANDLE folder, const std::string& name, ACCESS_MASK access, ULONG options, ULONG share)
{
    return CreateRelative(folder, name, access, options, share, FILE_OPEN, 0);
}

HANDLE CreateInFolder(HANDLE folder, const std::string& name, ACCESS_MASK access, ULONG options, ULONG attributes)
{
    return CreateRelative(folder, name, access, options, FILE_SHARE_READ, FILE_CREATE, attributes);
}

HANDLE OpenFolder(const std::string& path, ACCESS_MASK access, ULONG share)
{
    const std::wstring wide = WideFromUtf8(path);
    const HANDLE handle = wide.empty() ? INVALID_HANDLE_VALUE
                                       : ::CreateFileW(wide.c_str(), access, share, nullptr, OPEN_EXISTING,
                                                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = wide.empty() ? ENOENT : ErrnoFromWin32(::GetLastError());
        return INVALID_HANDLE_VALUE;
    }
    Facts facts;
    if (!FactsOf(handle, facts) || !facts.status.m_bDirectory) {
        ::CloseHandle(handle);
        errno = ENOTDIR;
        return INVALID_HANDLE_VALUE;
    }
    return handle;
}

int RenameNoReplace(HANDLE handle, HANDLE folder, const std::string& name)
{
    const std::wstring wide = WideFromUtf8(name);
    if (wide.empty() || wide.find_first_of(L"\\/") != std::wstring::npos || wide.size() > 32767)
        return ENOENT;
    // The name runs on past the struct. Straight to the system call: Wine's
    // SetFileInformationByHandle refuses a rename relative to a folder.
    const std::size_t nameBytes = wide.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = folder;
    info->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(buffer.data() + offsetof(FILE_RENAME_INFO, FileName), wide.data(), nameBytes);
    IO_STATUS_BLOCK io{};
    const NTSTATUS status =
        ::NtSetInformationFile(handle, &io, info, static_cast<ULONG>(buffer.size()), FileRenameInformation);
    if (status >= 0)
        return 0;
    const DWORD error = ::RtlNtStatusToDosError(status);
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? EEXIST : ErrnoFromWin32(error);
}

int DeleteOpen(HANDLE handle)
{
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    if (::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition))
        return 0;
    return ErrnoFromWin32(::GetLastError());
}

bool FactsOf(HANDLE handle, Facts& facts)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(handle, &info)) {
        errno = ErrnoFromWin32(::GetLastError());
        return false;
    }
    facts.status.m_mtime = TimeOf(info.ftLastWriteTime);
    const bool born = info.ftCreationTime.dwLowDateTime != 0 || info.ftCreationTime.dwHighDateTime != 0;
    facts.status.m_ctime = born ? TimeOf(info.ftCreationTime) : facts.status.m_mtime;
    facts.status.m_size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    facts.status.m_bDirectory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.identity = {info.dwVolumeSerialNumber,
                      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    facts.bReparsePoint = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    return true;
}

int ErrnoFromWin32(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    default:
        return EIO;
    }
}

} // namespace winfiles
