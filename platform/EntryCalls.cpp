#include "platform/EntryCalls.h"

#include "platform/DeleteStepHook.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool LacksNoReplaceRename(int error)
{
    return error == EINVAL || error == ENOSYS;
}

} // namespace

bool EntryCalls::HasIdentity(int nFolder, const std::string& strName, const FileIdentity& identity)
{
    struct stat st;
    return ::fstatat(nFolder, strName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
           FileIdentity::Of(st) == identity;
}

int EntryCalls::MoveAside(int nFolder, const std::string& strName, const std::string& strPrivateName)
{
    if (::renameat2(nFolder, strName.c_str(), nFolder, strPrivateName.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (!LacksNoReplaceRename(errno))
        return errno;
    // A plain rename is one step, so nothing can take the name between a
    // check and the act; what it moved is checked under the private name.
    return ::renameat(nFolder, strName.c_str(), nFolder, strPrivateName.c_str()) == 0 ? 0 : errno;
}

int EntryCalls::MoveNoReplace(int nFrom, const std::string& strFromPrivateName, int nTo, const std::string& strToName,
                              DeleteStepHook* steps)
{
    if (::renameat2(nFrom, strFromPrivateName.c_str(), nTo, strToName.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (!LacksNoReplaceRename(errno))
        return errno;
    // A file system without the no-replace rename: a new link never replaces
    // a name either.
    if (::linkat(nFrom, strFromPrivateName.c_str(), nTo, strToName.c_str(), 0) == 0) {
        DeleteStepHook::Reach(steps, DeleteStep::Linked);
        ::unlinkat(nFrom, strFromPrivateName.c_str(), 0);
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
    return ::renameat(nFrom, strFromPrivateName.c_str(), nTo, strToName.c_str()) == 0 ? 0 : errno;
}

std::string EntryCalls::PrivateName()
{
    std::random_device random;
    char name[32];
    std::snprintf(name, sizeof name, ".clipscout-%08x%08x", random(), random());
    return name;
}
