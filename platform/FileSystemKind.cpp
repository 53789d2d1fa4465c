#include "platform/FileSystemKind.h"

#include <sys/vfs.h>

bool FileSystemKind::IsShare(const std::string& folder)
{
    struct statfs info = {};
    if (statfs(folder.c_str(), &info) != 0)
        return false;
    // The magic numbers of linux/magic.h and of the file systems that keep
    // theirs to themselves (CIFS, SMB2, Ceph, AFS, GlusterFS comes as FUSE).
    constexpr unsigned long kNfs = 0x6969;
    constexpr unsigned long kSmb = 0x517B;
    constexpr unsigned long kCifs = 0xFF534D42;
    constexpr unsigned long kSmb2 = 0xFE534D42;
    constexpr unsigned long kFuse = 0x65735546;
    constexpr unsigned long kNinePee = 0x01021997;
    constexpr unsigned long kCeph = 0x00C36400;
    constexpr unsigned long kAfs = 0x5346414F;
    constexpr unsigned long kCoda = 0x73757245;
    const auto type = static_cast<unsigned long>(info.f_type) & 0xFFFFFFFFu;
    for (const unsigned long share : {kNfs, kSmb, kCifs, kSmb2, kFuse, kNinePee, kCeph, kAfs, kCoda})
        if (type == share)
            return true;
    return false;
}
