#pragma once

#include "platform/ProcessMarker.h"
#include "res/Resource.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class InstanceChannel;

// Marks that a copy of the program runs for this user, from static
// initialisation to the end of the process, and carries both sides of the
// exchange between copies: a second copy asks the running one to come
// forward; the running one answers for the window the application names.
class CSingleInstanceGuard {
public:
    static constexpr const char* kGuardName = "{Veltrane-QX7100-Clipscout}";
    // How long a new copy waits for the running copy's answer.
    static constexpr int kQueryTimeoutMs = 200;

    // The error codes of the platform this program first ran on, which the
    // marker's results are translated into.
    static constexpr std::uint32_t ERROR_SUCCESS = 0;
    static constexpr std::uint32_t ERROR_PATH_NOT_FOUND = 3;
    static constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
    static constexpr std::uint32_t ERROR_OPEN_FAILED = 110;
    static constexpr std::uint32_t ERROR_ALREADY_EXISTS = 183;

    using QueryHandler = std::function<long(unsigned message)>;
    using ForegroundHandler = std::function<void()>;

    explicit CSingleInstanceGuard(const std::string& name);
    virtual ~CSingleInstanceGuard();
    CSingleInstanceGuard(const CSingleInstanceGuard&) = delete;
    CSingleInstanceGuard& operator=(const CSingleInstanceGuard&) = delete;

    static std::uint32_t ErrorFor(ProcessMarker::Result result);

    bool AnotherInstanceExists() const;

    // Asks the running copy whether it is one and, when it answers so, to come
    // to the front with this process's startup or activation token. Returns
    // whether a running copy answered.
    bool BringRunningInstanceForward() const;

    // The running copy's side: from now on a new copy's query goes to onQuery
    // and its request to come forward, once its token is in this process's
    // environment (where the platform integration reads it), to onForeground.
    // Only the process that holds the marker answers; false for any other.
    bool AnswerInstanceQueries(QueryHandler onQuery, ForegroundHandler onForeground);
    void StopAnswering();
    bool IsAnswering() const;
    // Stops answering and gives up the marker at once: a new copy starts as
    // if this one had ended, though a thread stuck in a silent share's call
    // may keep this process alive, and with it any lock it holds, for long.
    void Release();

    std::uint32_t m_dwCreateError = ERROR_SUCCESS;
    std::unique_ptr<ProcessMarker> m_hGuardMutex;

private:
    std::string GetChannelPath() const;

    std::string m_strName;
    std::unique_ptr<InstanceChannel> m_pChannel;
};

extern CSingleInstanceGuard g_singleInstanceGuard;
