#pragma once

#include <cstdint>

#include <sys/stat.h>

// Which file a name stood for: its device and inode. A name can come to stand
// for another file at any time; the identity cannot.
struct FileIdentity {
    std::uint64_t nDevice = 0;
    std::uint64_t nInode = 0;

    static FileIdentity Of(const struct stat& st)
    {
        return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    }
    bool operator==(const FileIdentity&) const = default;
};
