#include "platform/ProcessMarker.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsPrivateFolder(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

} // namespace

ProcessMarker::ProcessMarker(const std::string& name)
{
    const std::string folder = RuntimeFolder();
    if (folder.empty()) {
        m_dwCreateError = kNoRuntimeFolder;
        return;
    }
    const std::string path = folder + "/" + FileNameFor(name) + ".lock";
    // Close-on-exec: a player started from the program must not inherit the
    // lock and keep "a copy runs" alive after the program has ended.
    m_nFd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (m_nFd < 0) {
        m_dwCreateError = (errno == EACCES || errno == EPERM || errno == ELOOP)
                              ? kAccessDenied
                              : static_cast<std::uint32_t>(errno);
        return;
    }
    struct stat st {};
    if (::fstat(m_nFd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_dwCreateError = kAccessDenied;
        return;
    }
    if (::flock(m_nFd, LOCK_EX | LOCK_NB) != 0)
        m_dwCreateError = errno == EWOULDBLOCK ? kAlreadyExists : static_cast<std::uint32_t>(errno);
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

    const char* tmp = std::getenv("TMPDIR");
    const std::string base = tmp && *tmp == '/' ? tmp : "/tmp";
    const std::string folder = base + "/clipscout-" + std::to_string(::getuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    // Whoever made it, it must be ours and closed to everyone else; one made
    // by another user in a shared temporary folder is never used.
    return IsPrivateFolder(folder) ? folder : std::string();
}

std::string ProcessMarker::FileNameFor(const std::string& name)
{
    std::string file = name;
    for (char& c : file) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '_' || c == '.' || c == '{' || c == '}';
        if (!plain)
            c = '_';
    }
    if (file.empty() || file[0] == '.')
        file.insert(file.begin(), '_');
    return file;
}
