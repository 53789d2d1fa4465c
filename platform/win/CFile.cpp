#include "platform/CFile.h"

#include "platform/win/WideText.h"
#include "platform/win/WinFiles.h"

#include <cerrno>
#include <winternl.h>

// StatusOf and IdentityOf take Linux's statx and have no Windows half.

bool CFile::GetStatus(const std::string& path, CFileStatus& status)
{
    const std::wstring wide = WideFromUtf8(path);
    if (wide.empty())
        return false;
    // No access to the content is asked for, so a file open elsewhere without
    // sharing is examined all the same; a folder opens with backup semantics.
    const HANDLE handle =
        ::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = winfiles::ErrnoFromWin32(::GetLastError());
        return false;
    }
    winfiles::Facts facts;
    const bool known = winfiles::FactsOf(handle, facts);
    ::CloseHandle(handle);
    if (known)
        status = facts.status;
    return known;
}

bool CFile::GetStatusAt(int folderFd, const char* name, CFileStatus& status, FileIdentity& identity)
{
    const HANDLE folder = winfiles::HandleOf(folderFd);
    if (folder == INVALID_HANDLE_VALUE)
        return false;
    // The entry itself first, for its identity; a link is then followed.
    HANDLE handle = winfiles::OpenInFolder(folder, name, FILE_READ_ATTRIBUTES, FILE_OPEN_REPARSE_POINT);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    winfiles::Facts facts;
    bool known = winfiles::FactsOf(handle, facts);
    ::CloseHandle(handle);
    if (!known)
        return false;
    identity = facts.identity;
    if (facts.bReparsePoint) {
        handle = winfiles::OpenInFolder(folder, name, FILE_READ_ATTRIBUTES, 0);
        if (handle == INVALID_HANDLE_VALUE)
            return false;
        known = winfiles::FactsOf(handle, facts);
        ::CloseHandle(handle);
        if (!known)
            return false;
    }
    status = facts.status;
    return true;
}
