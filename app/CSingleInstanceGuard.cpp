#include "app/CSingleInstanceGuard.h"

#include "platform/ui/InstanceChannel.h"

#include <QByteArray>

#include <cstdlib>

CSingleInstanceGuard::CSingleInstanceGuard(const std::string& name)
    : m_hGuardMutex(std::make_unique<ProcessMarker>(name)), m_strName(name)
{
    m_dwCreateError = ErrorFor(m_hGuardMutex->GetResult());
}

CSingleInstanceGuard::~CSingleInstanceGuard()
{
    m_pChannel.reset();
    m_hGuardMutex.reset();
}

std::uint32_t CSingleInstanceGuard::ErrorFor(ProcessMarker::Result result)
{
    // A marker of another user's copy lies in that user's private folder, out
    // of sight, so no result stands for "exists but may not be opened": every
    // failure to make the marker lets the program start without one.
    switch (result) {
    case ProcessMarker::Result::Created:
        return ERROR_SUCCESS;
    case ProcessMarker::Result::HeldByAnother:
        return ERROR_ALREADY_EXISTS;
    case ProcessMarker::Result::NoPrivateFolder:
        return ERROR_PATH_NOT_FOUND;
    case ProcessMarker::Result::Failed:
        break;
    }
    return ERROR_OPEN_FAILED;
}

bool CSingleInstanceGuard::AnotherInstanceExists() const
{
    return m_dwCreateError == ERROR_ALREADY_EXISTS || m_dwCreateError == ERROR_ACCESS_DENIED;
}

std::string CSingleInstanceGuard::GetChannelPath() const
{
    const std::string& folder = m_hGuardMutex->GetFolder();
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

bool CSingleInstanceGuard::AnswerInstanceQueries(QueryHandler onQuery, ForegroundHandler onForeground)
{
    StopAnswering();
    if (!m_hGuardMutex->IsHeld())
        return false;
    m_pChannel = std::make_unique<InstanceChannel>(
        std::move(onQuery),
        [onForeground = std::move(onForeground)](const std::string& tokenName, const std::string& token) {
            if (!tokenName.empty())
                qputenv(tokenName.c_str(), QByteArray::fromStdString(token));
            onForeground();
        });
    if (!m_pChannel->Listen(GetChannelPath()))
        m_pChannel.reset();
    return m_pChannel != nullptr;
}

void CSingleInstanceGuard::StopAnswering()
{
    m_pChannel.reset();
}

void CSingleInstanceGuard::Release()
{
    StopAnswering();
    if (m_hGuardMutex)
        m_hGuardMutex->Release();
}

bool CSingleInstanceGuard::IsAnswering() const
{
    return m_pChannel && m_pChannel->IsListening();
}
