#pragma once

#include "preview/HelperRequest.h"
#include "preview/PreviewImage.h"

#include <chrono>
#include <memory>
#include <stop_token>
#include <string>
#include <sys/types.h>

class FileHandle;

// One decoding helper process, started and waiting for its one request. It
// holds nothing of the program's but its end of the pipe: no other
// descriptor, no environment. Going out of scope kills it; it is reaped
// later if it has not died yet, so no one ever waits for it.
class HelperProcess {
public:
    using Clock = std::chrono::steady_clock;

    // Null when the program cannot be started.
    static std::unique_ptr<HelperProcess> Start(const std::string& program);
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    pid_t Pid() const { return m_pid; }
    // Whether it is gone already (killed with the thread that started it, say).
    bool HasExited() const;

    // Hands over the request and the file and waits for the answer until the
    // deadline or a stop request, then kills the helper whatever it did. An
    // empty image for "No preview" and for anything gone wrong; then why,
    // when given, says which.
    PreviewImage Decode(const FileHandle& file, const HelperRequest& request, Clock::time_point deadline,
                        const std::stop_token& stop, std::string* why = nullptr);

private:
    HelperProcess(pid_t pid, int pidFd, int socket);
    void Kill() const;
    // How the helper ended, once it has (it is left unreaped).
    std::string HowItEnded() const;

    pid_t m_pid;
    int m_nPidFd;
    int m_nSocket;
};
