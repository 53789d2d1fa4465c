#pragma once

// A small FUSE file system for the benches: a read-only passthrough of a
// folder that waits a set delay in every call and answers calls on many
// threads, as a network share does, served by a child process.

#define FUSE_USE_VERSION 314

#include <fuse.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

inline double g_cacheSeconds = 1.0;

inline std::string g_source;
inline std::chrono::microseconds g_delay{1000};

inline void Wait()
{
    std::this_thread::sleep_for(g_delay);
}

inline std::string Source(const char* path)
{
    return g_source + path;
}

inline void* SlowInit(fuse_conn_info* conn, fuse_config* config)
{
    // Names and attributes for g_cacheSeconds, contents never; many
    // requests may be in flight.
    config->entry_timeout = g_cacheSeconds;
    config->attr_timeout = g_cacheSeconds;
    config->negative_timeout = g_cacheSeconds;
    config->kernel_cache = 0;
    config->use_ino = 1;
    conn->max_background = 256;
    conn->congestion_threshold = 192;
    return nullptr;
}

inline int SlowGetattr(const char* path, struct stat* st, fuse_file_info* fi)
{
    Wait();
    const int r = fi != nullptr ? ::fstat(static_cast<int>(fi->fh), st) : ::lstat(Source(path).c_str(), st);
    return r == 0 ? 0 : -errno;
}

inline int SlowOpen(const char* path, fuse_file_info* fi)
{
    Wait();
    if ((fi->flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    const int fd = ::open(Source(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    fi->fh = static_cast<std::uint64_t>(fd);
    return 0;
}

inline int SlowRead(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* fi)
{
    Wait();
    const ssize_t n = ::pread(static_cast<int>(fi->fh), buffer, size, offset);
    return n < 0 ? -errno : static_cast<int>(n);
}

inline int SlowRelease(const char*, fuse_file_info* fi)
{
    Wait();
    ::close(static_cast<int>(fi->fh));
    return 0;
}

struct OpenDir {
    DIR* dir;
    off_t offset;
    dirent* pending;
};

inline int SlowOpendir(const char* path, fuse_file_info* fi)
{
    Wait();
    DIR* dir = ::opendir(Source(path).c_str());
    if (dir == nullptr)
        return -errno;
    fi->fh = reinterpret_cast<std::uint64_t>(new OpenDir{dir, 0, nullptr});
    return 0;
}

// One kernel request, one call: the listing comes a buffer at a time, each
// entry with the offset of the next, as a share serves it.
inline int SlowReaddir(const char*, void* buffer, fuse_fill_dir_t fill, off_t offset, fuse_file_info* fi,
                       fuse_readdir_flags)
{
    Wait();
    auto* d = reinterpret_cast<OpenDir*>(fi->fh);
    if (offset != d->offset) {
        ::seekdir(d->dir, offset);
        d->pending = nullptr;
        d->offset = offset;
    }
    for (;;) {
        if (d->pending == nullptr && (d->pending = ::readdir(d->dir)) == nullptr)
            break;
        struct stat st { };
        st.st_ino = d->pending->d_ino;
        st.st_mode = static_cast<mode_t>(DTTOIF(d->pending->d_type));
        const off_t next = ::telldir(d->dir);
        if (fill(buffer, d->pending->d_name, &st, next, static_cast<fuse_fill_dir_flags>(0)) != 0)
            break;
        d->pending = nullptr;
        d->offset = next;
    }
    return 0;
}

inline int SlowReleasedir(const char*, fuse_file_info* fi)
{
    Wait();
    auto* d = reinterpret_cast<OpenDir*>(fi->fh);
    ::closedir(d->dir);
    delete d;
    return 0;
}

// Serves source at mountpoint in a child process; returns its id once the
// mount is in place, or -1.
inline pid_t Serve(const std::string& source, const std::string& mountpoint)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child != 0) {
        ::close(ready[1]);
        char ok = 0;
        const bool mounted = ::read(ready[0], &ok, 1) == 1 && ok == 1;
        ::close(ready[0]);
        if (!mounted && child > 0) {
            ::waitpid(child, nullptr, 0);
            return -1;
        }
        return child;
    }
    ::close(ready[0]);
    g_source = source;
    fuse_operations ops{};
    ops.init = SlowInit;
    ops.getattr = SlowGetattr;
    ops.open = SlowOpen;
    ops.read = SlowRead;
    ops.release = SlowRelease;
    ops.opendir = SlowOpendir;
    ops.readdir = SlowReaddir;
    ops.releasedir = SlowReleasedir;
    char name[] = "clipscout-slow-store";
    char option[] = "-o";
    char options[] = "ro,fsname=slowstore";
    char* argv[] = {name, option, options, nullptr};
    fuse_args args = FUSE_ARGS_INIT(3, argv);
    fuse* fs = fuse_new(&args, &ops, sizeof ops, nullptr);
    char ok = fs != nullptr && fuse_mount(fs, mountpoint.c_str()) == 0;
    if (::write(ready[1], &ok, 1) != 1 || !ok)
        ::_exit(2);
    ::close(ready[1]);
    fuse_loop_config* config = fuse_loop_cfg_create();
    fuse_loop_cfg_set_max_threads(config, 256);
    fuse_loop_cfg_set_idle_threads(config, 256);
    fuse_loop_mt(fs, config);
    fuse_loop_cfg_destroy(config);
    fuse_destroy(fs);
    ::_exit(0);
}

inline void Unmount(const std::string& mountpoint, pid_t server)
{
    if (::umount2(mountpoint.c_str(), 0) != 0) {
        const std::string command = "fusermount3 -u -z '" + mountpoint + "'";
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "cannot unmount %s\n", mountpoint.c_str());
    }
    ::waitpid(server, nullptr, 0);
}
