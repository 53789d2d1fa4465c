#pragma once

// The floor the benches time a scan against: the folder listed once, then
// each name handed to probe(folderFd, name, buffer) by `workers` threads
// taking the next name each (on the calling thread for one).

#include <fcntl.h>
#include <unistd.h>

#include <dirent.h>

#include <atomic>
#include <cstddef>
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
