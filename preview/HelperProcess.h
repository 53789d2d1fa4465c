#pragma once

#include "preview/HelperRequest.h"
#include "preview/PreviewImage.h"

#include <chrono>
#include <memory>
#include <stop_token>
#include <string>

class FileHandle;

// One decoding helper process, started and waiting for its one request. It
// holds nothing of the program's but its end of the pipe: no other
// descriptor or handle, no environment. Going out of scope kills it; it is
// reaped later if it has not died yet, so no one ever waits for it.
// HelperProcess.cpp is the Linux half, win/HelperProcess.cpp the Windows one
// (where the helper runs in a job object that holds its limits).
class HelperProcess {
public:
    using Clock = std::chrono::steady_clock;

    // Null when the program cannot be started.
    static std::unique_ptr<HelperProcess> Start(const std::string& program);
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    int Pid() const;
    // Whether it is gone already (killed with the thread that started it, say).
    bool HasExited() const;

    // Hands over the request and the file and waits for the answer until the
    // deadline or a stop request, then kills the helper whatever it did. An
    // empty image for "No preview" and for anything gone wrong; then why,
    // when given, says which.
    PreviewImage Decode(const FileHandle& file, const HelperRequest& request, Clock::time_point deadline,
                        const std::stop_token& stop, std::string* why = nullptr);

private:
    // What the system knows the process by, its pipe's end and, on Windows,
    // its job.
    struct System;

    explicit HelperProcess(std::unique_ptr<System> system);
    void Kill() const;
    // How the helper ended, once it has (it is left unreaped).
    std::string HowItEnded() const;

    std::unique_ptr<System> m_pSystem;
};
