#pragma once

#include <cstdint>
#include <memory>
#include <string>

class ProcessMarker;

// The private message by which a new copy recognises the running copy's sheet:
// a sheet that answers it with the same number belongs to a running copy.
inline constexpr unsigned WM_INSTANCE_QUERY = 0x529;

// Marks that a copy of the program runs for this user, from static
// initialisation to the end of the process, and lets a second copy find the
// running one and bring it forward.
class CSingleInstanceGuard {
public:
    static constexpr const char* kGuardName = "{Veltrane-QX7100-Clipscout}";
    // How long a new copy waits for the running copy's answer.
    static constexpr int kQueryTimeoutMs = 200;

    explicit CSingleInstanceGuard(const std::string& name);
    virtual ~CSingleInstanceGuard();
    CSingleInstanceGuard(const CSingleInstanceGuard&) = delete;
    CSingleInstanceGuard& operator=(const CSingleInstanceGuard&) = delete;

    bool AnotherInstanceExists() const;
    // This process holds the marker, so it is the one that answers queries.
    bool HoldsMarker() const;
    // Where the running copy's sheet listens; empty when there is no private
    // runtime folder.
    std::string GetChannelPath() const;

    // Asks the copy listening on the channel whether it is a running copy and,
    // when it answers so, to come to the front with this process's startup or
    // activation token. Returns whether a running copy answered.
    bool BringRunningInstanceForward() const;

    std::uint32_t m_dwCreateError = 0;
    std::unique_ptr<ProcessMarker> m_hGuardMutex;

private:
    std::string m_strName;
};

extern CSingleInstanceGuard g_singleInstanceGuard;
