#include "platform/EntryCalls.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

bool EntryCalls::HasIdentity(int nFolder, const std::string& strName, const FileIdentity& identity)
{
    struct stat st;
    return ::fstatat(nFolder, strName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
           FileIdentity::Of(st) == identity;
}

int EntryCalls::MoveNoReplace(int nFrom, const std::string& strFromName, int nTo, const std::string& strToName)
{
    if (::renameat2(nFrom, strFromName.c_str(), nTo, strToName.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the no-replace rename: a new link never replaces
    // a name either.
    if (::linkat(nFrom, strFromName.c_str(), nTo, strToName.c_str(), 0) == 0) {
        ::unlinkat(nFrom, strFromName.c_str(), 0);
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS)
        return errno;
    // Neither (FAT, some network shares): a look right before a plain
    // rename is the most such a file system allows.
    struct stat st;
    if (::fstatat(nTo, strToName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    if (errno != ENOENT)
        return errno;
    return ::renameat(nFrom, strFromName.c_str(), nTo, strToName.c_str()) == 0 ? 0 : errno;
}

std::string EntryCalls::PrivateName()
{
    std::random_device random;
    char name[32];
    std::snprintf(name, sizeof name, ".clipscout-%08x%08x", random(), random());
    return name;
}
