#pragma once

#include "platform/CFileStatus.h"
#include "platform/FileIdentity.h"

#include <string>

struct statx;

class CFile {
public:
    // Follows symbolic links. False when the path cannot be examined.
    static bool GetStatus(const std::string& path, CFileStatus& status);

    // The same for the entry `name` of the folder open as folderFd, without
    // walking a path, with identity set to the entry's own (a link's, not
    // its target's): one status call, two for a link.
    static bool GetStatusAt(int folderFd, const char* name, CFileStatus& status, FileIdentity& identity);

    // What a statx with at least STATX_TYPE, STATX_SIZE and STATX_MTIME (and
    // STATX_BTIME where recorded) says.
    static CFileStatus StatusOf(const struct statx& sx);
    static FileIdentity IdentityOf(const struct statx& sx);
};
