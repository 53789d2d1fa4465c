#include "platform/FileHandle.h"

#include "platform/WindowThreadCheck.h"

#include "platform/win/WideText.h"
#include "platform/win/WinFiles.h"

#include <cerrno>
#include <climits>
#include <io.h>
#include <utility>
#include <winternl.h>

namespace {

// Whether the open handle is a file on a disk (no folder, pipe, console or
// other device); its size too.
bool IsRegularFile(HANDLE handle, std::uint64_t& size, winfiles::Facts* facts = nullptr)
{
    if (::GetFileType(handle) != FILE_TYPE_DISK)
        return false;
    winfiles::Facts found;
    if (!winfiles::FactsOf(handle, found) || found.status.m_bDirectory)
        return false;
    size = found.status.m_size;
    if (facts != nullptr)
        *facts = found;
    return true;
}

// The descriptor of what is a file on a disk at path now, or -1: a folder
// or a device is never opened.
int OpenRegular(const std::string& path)
{
    const std::wstring wide = WideFromUtf8(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (wide.empty() || !::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return -1;
    const HANDLE handle =
        ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = winfiles::ErrnoFromWin32(::GetLastError());
        return -1;
    }
    // The name may have come to stand for something else meanwhile: the
    // caller's Adopt refuses what was opened unless it is a file.
    return winfiles::DescriptorFor(handle);
}

} // namespace

FileHandle::FileHandle(FileHandle&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_nSize(std::exchange(other.m_nSize, 0))
{ }

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        m_nSize = std::exchange(other.m_nSize, 0);
    }
    return *this;
}

bool FileHandle::Open(const std::string& path)
{
    WindowThreadCheck::OffTheWindowThread("FileHandle::Open");
    return Adopt(OpenRegular(path));
}

bool FileHandle::Adopt(int fd)
{
    Close();
    std::uint64_t size = 0;
    if (fd < 0 || !IsRegularFile(winfiles::HandleOf(fd), size)) {
        if (fd >= 0)
            ::_close(fd);
        return false;
    }
    m_fd = fd;
    m_nSize = size;
    return true;
}

bool FileHandle::OpenAt(int folderFd, const char* name, unsigned char listedType, CFileStatus* status,
                        FileIdentity* identity)
{
    Close();
    const HANDLE folder = winfiles::HandleOf(folderFd);
    if (folder == INVALID_HANDLE_VALUE)
        return false;
    // An entry listed as a file is opened as it is: a link or other reparse
    // point put in its place meanwhile is not followed, and refused. A link
    // (or another reparse point, such as a file kept in the cloud) is followed
    // to a file only, and a link's identity is its own.
    const bool follow = listedType != DT_REG;
    FileIdentity named;
    if (listedType == DT_LNK) {
        const HANDLE self = winfiles::OpenInFolder(folder, name, FILE_READ_ATTRIBUTES, FILE_OPEN_REPARSE_POINT);
        if (self == INVALID_HANDLE_VALUE)
            return false;
        winfiles::Facts facts;
        const bool known = winfiles::FactsOf(self, facts);
        ::CloseHandle(self);
        if (!known)
            return false;
        named = facts.identity;
    }
    const HANDLE handle = winfiles::OpenInFolder(folder, name, FILE_GENERIC_READ,
                                                 FILE_NON_DIRECTORY_FILE | (follow ? 0 : FILE_OPEN_REPARSE_POINT));
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    std::uint64_t size = 0;
    winfiles::Facts facts;
    errno = 0;
    if (!IsRegularFile(handle, size, &facts) || (!follow && facts.bReparsePoint)) {
        ::CloseHandle(handle);
        return false;
    }
    m_fd = winfiles::DescriptorFor(handle);
    if (m_fd < 0)
        return false;
    m_nSize = size;
    if (status != nullptr)
        *status = facts.status;
    if (identity != nullptr)
        *identity = listedType == DT_LNK ? named : facts.identity;
    return true;
}

void FileHandle::Close()
{
    if (m_fd >= 0)
        ::_close(m_fd);
    m_fd = -1;
    m_nSize = 0;
}

std::size_t FileHandle::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const
{
    const HANDLE handle = winfiles::HandleOf(m_fd);
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    std::size_t done = 0;
    while (done < size) {
        const std::uint64_t at = offset + done;
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
        position.OffsetHigh = static_cast<DWORD>(at >> 32);
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        DWORD read = 0;
        if (!::ReadFile(handle, static_cast<char*>(buffer) + done, wanted, &read, &position) || read == 0)
            break;
        done += read;
    }
    return done;
}

bool FileHandle::ReadAll(const std::string& path, std::string& out, std::size_t limit)
{
    // The program's settings and state files, each read whole at once.
    FileHandle file;
    if (!file.Adopt(OpenRegular(path)))
        return false;
    const std::uint64_t wanted = file.Size() < limit ? file.Size() : limit;
    out.resize(static_cast<std::size_t>(wanted));
    out.resize(file.ReadAt(0, out.data(), out.size()));
    return true;
}
