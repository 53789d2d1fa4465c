#include "preview/HelperProcess.h"

#include "platform/FileHandle.h"
#include "preview/HelperAnswer.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Debian 12's C library declares these without C linkage for C++.
extern "C" {
#include <sys/pidfd.h>
}

namespace {

// Killed helpers that had not died yet when let go, reaped whenever a helper
// starts or goes, so that none is waited for and none stays a zombie. Never
// destroyed: a decode let go at exit may still end its helper after the
// statics have gone.
struct Unreaped {
    std::mutex mutex;
    std::vector<int> aPidFds;
};

Unreaped& Helpers()
{
    static auto* const unreaped = new Unreaped;
    return *unreaped;
}

bool Reap(int pidFd)
{
    siginfo_t info{};
    return ::waitid(P_PIDFD, static_cast<id_t>(pidFd), &info, WEXITED | WNOHANG) == 0 && info.si_pid != 0;
}

void ReapWhatDied(int letGo)
{
    Unreaped& unreaped = Helpers();
    const std::lock_guard lock(unreaped.mutex);
    if (letGo >= 0)
        unreaped.aPidFds.push_back(letGo);
    std::erase_if(unreaped.aPidFds, [](int pidFd) {
        if (!Reap(pidFd) && errno != ECHILD)
            return false;
        ::close(pidFd);
        return true;
    });
}

} // namespace

struct HelperProcess::System {
    pid_t pid;
    int pidFd;
    int socket;
};

std::unique_ptr<HelperProcess> HelperProcess::Start(const std::string& program)
{
    ReapWhatDied(-1);
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return nullptr;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    // The pipe becomes fd 0 and every other descriptor is closed.
    posix_spawn_file_actions_adddup2(&actions, ends[1], 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 1);
    // Signals as a new process has them: SIGXCPU must end it.
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    const std::string parent = std::to_string(::getpid());
    char* const argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(parent.c_str()), nullptr};
    char* const envp[] = {nullptr};
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, envp);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(ends[1]);
    if (spawned != 0) {
        ::close(ends[0]);
        return nullptr;
    }
    // Not reaped yet, so the pid is still this child's.
    const int pidFd = ::pidfd_open(pid, 0);
    if (pidFd < 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        ::close(ends[0]);
        return nullptr;
    }
    return std::unique_ptr<HelperProcess>(new HelperProcess(std::make_unique<System>(System{pid, pidFd, ends[0]})));
}

HelperProcess::HelperProcess(std::unique_ptr<System> system) : m_pSystem(std::move(system))
{ }

HelperProcess::~HelperProcess()
{
    Kill();
    ::close(m_pSystem->socket);
    ReapWhatDied(m_pSystem->pidFd);
}

int HelperProcess::Pid() const
{
    return m_pSystem->pid;
}

void HelperProcess::Kill() const
{
    ::pidfd_send_signal(m_pSystem->pidFd, SIGKILL, nullptr, 0);
}

bool HelperProcess::HasExited() const
{
    pollfd exited{m_pSystem->pidFd, POLLIN, 0};
    return ::poll(&exited, 1, 0) != 0;
}

std::string HelperProcess::HowItEnded() const
{
    // It may be closing its end just before it ends: a moment is allowed.
    pollfd exited{m_pSystem->pidFd, POLLIN, 0};
    siginfo_t info{};
    if (::poll(&exited, 1, 200) <= 0 ||
        ::waitid(P_PIDFD, static_cast<id_t>(m_pSystem->pidFd), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
        info.si_pid == 0)
        return "it has not ended";
    if (info.si_code == CLD_EXITED)
        return "it exited with status " + std::to_string(info.si_status);
    // SIGSYS: a call its confinement refuses; SIGXCPU, SIGKILL: over its limits.
    const char* name = ::sigabbrev_np(info.si_status);
    return std::string("it was killed by SIG") + (name != nullptr ? name : std::to_string(info.si_status).c_str());
}

PreviewImage HelperProcess::Decode(const FileHandle& file, const HelperRequest& request, Clock::time_point deadline,
                                   const std::stop_token& stop, std::string* why)
{
    const std::stop_callback onStop(stop, [this] { Kill(); });

    const auto bytes = request.Encode();
    iovec io{const_cast<std::uint8_t*>(bytes.data()), bytes.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* rights = CMSG_FIRSTHDR(&message);
    rights->cmsg_level = SOL_SOCKET;
    rights->cmsg_type = SCM_RIGHTS;
    rights->cmsg_len = CMSG_LEN(sizeof(int));
    const int fd = file.Descriptor();
    std::memcpy(CMSG_DATA(rights), &fd, sizeof fd);
    ssize_t sent = -1;
    do
        sent = ::sendmsg(m_pSystem->socket, &message, MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    if (sent != static_cast<ssize_t>(bytes.size())) {
        if (why != nullptr)
            *why = "the request could not be handed over, " + HowItEnded();
        Kill();
        return {};
    }

    // One byte more than an answer may have tells one that is too long.
    std::vector<std::uint8_t> answer(HelperAnswer::MaxSize(request.nBoxWidth, request.nBoxHeight) + 1);
    std::size_t got = 0;
    bool whole = false;
    while (got < answer.size()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd readable{m_pSystem->socket, POLLIN, 0};
        const int ready = ::poll(&readable, 1, static_cast<int>(std::min<long long>(left, 60'000)));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(m_pSystem->socket, answer.data() + got, answer.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            whole = true;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    if (why != nullptr && whole && got == 0)
        *why = "the helper gave no answer: " + HowItEnded();
    Kill();
    if (stop.stop_requested()) {
        if (why != nullptr)
            *why = "stopped: the preview is no longer wanted";
        return {};
    }
    if (!whole) {
        if (why != nullptr)
            *why = got == answer.size() ? "the helper was killed: its answer was too long"
                                        : "the helper was killed: no answer in time";
        return {};
    }
    answer.resize(got);
    PreviewImage image = HelperAnswer::Parse(answer, request.nBoxWidth, request.nBoxHeight);
    if (why != nullptr && image.IsNull() && got > 0)
        *why = got == HelperAnswer::kHeaderSize ? "the helper could not decode it" : "the helper's answer was refused";
    return image;
}
