#include "platform/ProcessMarker.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool IsPrivateFolder(const std::string& path)
{
    struct stat st { };
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0 &&
           ::access(path.c_str(), W_OK | X_OK) == 0;
}

// The home folder from the user database, so that a process started with
// another $HOME still finds the same marker.
std::string HomeFolder()
{
    std::vector<char> buffer(4096);
    struct passwd entry { };
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        return found->pw_dir;
    const char* home = std::getenv("HOME");
    return home && *home == '/' ? home : std::string();
}

std::string CacheFolder()
{
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/')
        return cache;
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.cache";
}

} // namespace

ProcessMarker::ProcessMarker(const std::string& name) : m_strFolder(RuntimeFolder())
{
    if (m_strFolder.empty()) {
        m_eResult = Result::NoPrivateFolder;
        return;
    }
    const std::string path = m_strFolder + "/" + FileNameFor(name) + ".lock";
    // Close-on-exec: a player started from the program must not inherit the
    // lock and keep "a copy runs" alive after the program has ended.
    m_nFd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (m_nFd < 0)
        return;
    struct stat st { };
    if (::fstat(m_nFd, &st) != 0 || !S_ISREG(st.st_mode)) {
        Release();
        return;
    }
    if (::flock(m_nFd, LOCK_EX | LOCK_NB) == 0) {
        m_eResult = Result::Created;
        return;
    }
    m_eResult = errno == EWOULDBLOCK ? Result::HeldByAnother : Result::Failed;
    Release();
}

ProcessMarker::~ProcessMarker()
{
    Release();
}

void ProcessMarker::Release()
{
    if (m_nFd >= 0)
        ::close(m_nFd);
    m_nFd = -1;
}

std::string ProcessMarker::RuntimeFolder()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/')
        if (IsPrivateFolder(runtime))
            return runtime;
    // A process started without the session's runtime folder (from cron, ssh
    // or su) still finds the session's own one, and so the desktop's copy.
    if (std::string session = SessionRuntimeFolder(); IsPrivateFolder(session))
        return session;

    // Not the temporary folder: its place depends on TMPDIR, and there
    // another user can take the name first.
    const std::string cache = CacheFolder();
    if (cache.empty())
        return {};
    if (::mkdir(cache.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    const std::string folder = cache + "/clipscout";
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    // Whoever made it, it must be ours and closed to everyone else.
    return IsPrivateFolder(folder) ? folder : std::string();
}

std::string ProcessMarker::SessionRuntimeFolder()
{
    return "/run/user/" + std::to_string(::getuid());
}
