#include "app/CSingleInstanceGuard.h"

#include "platform/ProcessMarker.h"
#include "platform/ui/InstanceChannel.h"

#include <cstdlib>

CSingleInstanceGuard::CSingleInstanceGuard(const std::string& name)
    : m_hGuardMutex(std::make_unique<ProcessMarker>(name)), m_strName(name)
{
    m_dwCreateError = m_hGuardMutex->GetCreateError();
}

CSingleInstanceGuard::~CSingleInstanceGuard()
{
    m_hGuardMutex.reset();
}

bool CSingleInstanceGuard::AnotherInstanceExists() const
{
    return m_dwCreateError == ProcessMarker::kAlreadyExists ||
           m_dwCreateError == ProcessMarker::kAccessDenied;
}

bool CSingleInstanceGuard::HoldsMarker() const
{
    return m_hGuardMutex && m_hGuardMutex->IsHeld();
}

std::string CSingleInstanceGuard::GetChannelPath() const
{
    const std::string folder = ProcessMarker::RuntimeFolder();
    if (folder.empty())
        return {};
    return folder + "/" + ProcessMarker::FileNameFor(m_strName) + ".socket";
}

bool CSingleInstanceGuard::BringRunningInstanceForward() const
{
    const std::string path = GetChannelPath();
    if (path.empty())
        return false;
    std::string tokenName;
    std::string token;
    for (const char* name : {"XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"}) {
        if (const char* value = std::getenv(name); value && *value) {
            tokenName = name;
            token = value;
            break;
        }
    }
    return InstanceChannel::QueryAndRaise(path, WM_INSTANCE_QUERY, kQueryTimeoutMs, tokenName, token);
}
