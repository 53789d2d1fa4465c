#include "platform/FileHandle.h"

#include "platform/CFile.h"

#include "platform/WindowThreadCheck.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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

namespace {

// The descriptor of what is a regular file at path now, or -1. Opening a FIFO
// or a device has effects of its own (a waiting writer is released, a tape
// rewinds), so nothing else is opened.
int OpenRegular(const std::string& path)
{
    struct stat named;
    if (::stat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode))
        return -1;
    // Should the name be swapped for something else meanwhile, the open must
    // neither wait nor take a controlling terminal; the check after it
    // refuses whatever was opened instead of the file examined.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_dev != named.st_dev || st.st_ino != named.st_ino) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

bool FileHandle::Open(const std::string& path)
{
    WindowThreadCheck::OffTheWindowThread("FileHandle::Open");
    return Adopt(OpenRegular(path));
}

bool FileHandle::Adopt(int fd)
{
    Close();
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    m_fd = fd;
    m_nSize = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool FileHandle::OpenAt(int folderFd, const char* name, unsigned char listedType, CFileStatus* status,
                        FileIdentity* identity)
{
    Close();
    // Anything the listing says is neither a file nor a link is never opened.
    if (listedType != DT_REG && listedType != DT_UNKNOWN && listedType != DT_LNK)
        return false;
    // Should the name be swapped for something else meanwhile, the open must
    // neither wait nor take a controlling terminal, and a link is not
    // followed; the file's type and identity come from the opened
    // descriptor, so a name is looked up once. A listing without types
    // tells of a link only by the open's refusal.
    constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    int fd = -1;
    bool link = listedType == DT_LNK;
    if (!link) {
        fd = ::openat(folderFd, name, kFlags | O_NOFOLLOW);
        if (fd < 0 && !(errno == ELOOP && listedType == DT_UNKNOWN))
            return false;
        link = fd < 0;
    }
    // A link is followed to a regular file only, looked at before it is
    // opened, and keeps its own identity.
    FileIdentity named, target;
    if (link) {
        constexpr unsigned kLookMask = STATX_TYPE | STATX_INO;
        struct statx sx;
        if (::statx(folderFd, name, AT_SYMLINK_NOFOLLOW, kLookMask, &sx) != 0 || !S_ISLNK(sx.stx_mode))
            return false;
        named = CFile::IdentityOf(sx);
        if (::statx(folderFd, name, 0, kLookMask, &sx) != 0 || !S_ISREG(sx.stx_mode))
            return false;
        target = CFile::IdentityOf(sx);
        fd = ::openat(folderFd, name, kFlags);
        if (fd < 0)
            return false;
    }
    constexpr unsigned kOpenedMask = STATX_TYPE | STATX_INO | STATX_SIZE | STATX_MTIME | STATX_BTIME;
    struct statx sx;
    const bool regular = ::statx(fd, "", AT_EMPTY_PATH, kOpenedMask, &sx) == 0 && S_ISREG(sx.stx_mode);
    const FileIdentity opened = regular ? CFile::IdentityOf(sx) : FileIdentity{};
    if (!regular || (link && opened != target)) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_nSize = static_cast<std::uint64_t>(sx.stx_size);
    if (status != nullptr)
        *status = CFile::StatusOf(sx);
    if (identity != nullptr)
        *identity = link ? named : opened;
    return true;
}

void FileHandle::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_nSize = 0;
}

std::size_t FileHandle::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const
{
    if (m_fd < 0)
        return 0;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n =
            ::pread(m_fd, static_cast<char*>(buffer) + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
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
