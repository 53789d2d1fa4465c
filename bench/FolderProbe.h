#pragma once

// The floor the benches time a scan against: the folder listed once, then
// each name handed to probe(folderFd, name, buffer) by `workers` threads
// taking the next name each (on the calling thread for one).

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

// The names listed, and how many of them probe counted.
struct FolderProbeCount {
    std::size_t nEntries = 0;
    std::size_t nCounted = 0;
};

template <class Probe>
FolderProbeCount ProbeFolder(const std::string& folder, int workers, Probe probe)
{
    FolderProbeCount count;
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return count;
    DIR* dir = ::fdopendir(::dup(folderFd));
    if (dir == nullptr) {
        ::close(folderFd);
        return count;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    ::closedir(dir);
    std::atomic<std::size_t> next{0}, counted{0};
    const auto work = [&] {
        char buffer[8192];
        for (std::size_t n; (n = next.fetch_add(1)) < names.size();)
            if (probe(folderFd, names[n].c_str(), buffer))
                ++counted;
    };
    if (workers <= 1) {
        work();
    } else {
        std::vector<std::thread> threads;
        threads.reserve(static_cast<std::size_t>(workers));
        for (int i = 0; i < workers; ++i)
            threads.emplace_back(work);
        for (std::thread& thread : threads)
            thread.join();
    }
    ::close(folderFd);
    count.nEntries = names.size();
    count.nCounted = counted;
    return count;
}

inline bool HasSuffix(const char* name, const char* suffix)
{
    const std::size_t n = std::strlen(name), m = std::strlen(suffix);
    return n >= m && ::strcasecmp(name + n - m, suffix) == 0;
}

// What a clip's probe cannot do without: open relative to the folder without
// following a link, fstat (the size, to find the trailer), and for .asf the
// 50-byte trailer and the header's first 4 KiB, for .avi the first 8 KiB;
// false for a name that is no clip's.
inline bool ReadClip(int folderFd, const char* name, char (&buffer)[8192])
{
    const bool asf = HasSuffix(name, ".asf");
    if (!asf && !HasSuffix(name, ".avi"))
        return false;
    const int fd = ::openat(folderFd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW);
    if (fd < 0)
        return true;
    struct stat st;
    ssize_t n = ::fstat(fd, &st);
    if (n == 0 && asf) {
        n = ::pread(fd, buffer, 50, st.st_size - 50);
        if (n >= 0)
            n = ::pread(fd, buffer, 4096, 0);
    } else if (n == 0) {
        n = ::pread(fd, buffer, 8192, 0);
    }
    if (n < 0)
        std::perror(name);
    ::close(fd);
    return true;
}
