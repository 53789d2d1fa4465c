#include "platform/CFile.h"

#include <fcntl.h>
#include <sys/stat.h>

bool CFile::GetStatus(const std::string& path, CFileStatus& status)
{
    struct statx sx;
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME | STATX_SIZE | STATX_TYPE, &sx) != 0)
        return false;
    status.m_mtime = CTime(static_cast<std::int64_t>(sx.stx_mtime.tv_sec));
    status.m_ctime =
        (sx.stx_mask & STATX_BTIME) != 0 ? CTime(static_cast<std::int64_t>(sx.stx_btime.tv_sec)) : status.m_mtime;
    status.m_size = sx.stx_size;
    status.m_bDirectory = S_ISDIR(sx.stx_mode);
    return true;
}
