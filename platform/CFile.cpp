#include "platform/CFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

constexpr unsigned kStatusMask = STATX_BTIME | STATX_MTIME | STATX_SIZE | STATX_TYPE | STATX_INO;

} // namespace

CFileStatus CFile::StatusOf(const struct statx& sx)
{
    CFileStatus status;
    status.m_mtime = CTime(static_cast<std::int64_t>(sx.stx_mtime.tv_sec));
    status.m_ctime =
        (sx.stx_mask & STATX_BTIME) != 0 ? CTime(static_cast<std::int64_t>(sx.stx_btime.tv_sec)) : status.m_mtime;
    status.m_size = sx.stx_size;
    status.m_bDirectory = S_ISDIR(sx.stx_mode);
    return status;
}

FileIdentity CFile::IdentityOf(const struct statx& sx)
{
    return {static_cast<std::uint64_t>(makedev(sx.stx_dev_major, sx.stx_dev_minor)),
            static_cast<std::uint64_t>(sx.stx_ino)};
}

bool CFile::GetStatus(const std::string& path, CFileStatus& status)
{
    struct statx sx;
    if (::statx(AT_FDCWD, path.c_str(), 0, kStatusMask, &sx) != 0)
        return false;
    status = StatusOf(sx);
    return true;
}

bool CFile::GetStatusAt(int folderFd, const char* name, CFileStatus& status, FileIdentity& identity)
{
    struct statx sx;
    if (::statx(folderFd, name, AT_SYMLINK_NOFOLLOW, kStatusMask, &sx) != 0)
        return false;
    identity = IdentityOf(sx);
    if (S_ISLNK(sx.stx_mode) && ::statx(folderFd, name, 0, kStatusMask, &sx) != 0)
        return false;
    status = StatusOf(sx);
    return true;
}
