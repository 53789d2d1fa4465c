#include "settings/CLoadUISetting.h"

#include "platform/ProfileReader.h"
#include "platform/WindowThreadCheck.h"
#include "settings/SettingsLookup.h"

#include <utility>

namespace {

std::string ValueIn(const std::shared_ptr<const std::string>& content, const std::string& section,
                    const std::string& key)
{
    return content ? ProfileValue(*content, section, key) : std::string();
}

} // namespace

CLoadUISetting::CLoadUISetting(std::string appIniPath, std::string viewerIniPath)
    : m_strAppIniPath(std::move(appIniPath)), m_strViewerIniPath(std::move(viewerIniPath))
{ }

CLoadUISetting CLoadUISetting::Locate(const std::string& executablePath, const std::string& appIniPath,
                                      const std::string& viewerIniPath)
{
    CLoadUISetting settings(SettingsLookup::Locate(executablePath, kAppIniName, appIniPath),
                            SettingsLookup::Locate(executablePath, kViewerIniName, viewerIniPath));
    settings.Read();
    return settings;
}

void CLoadUISetting::Read()
{
    WindowThreadCheck::OffTheWindowThread("CLoadUISetting::Read");
    m_pAppIni = std::make_shared<const std::string>(ReadProfileFile(m_strAppIniPath));
    m_pViewerIni = std::make_shared<const std::string>(ReadProfileFile(m_strViewerIniPath));
    m_strRecordingDir = GetViewerSetting("Directory", "Recording");
}

std::string CLoadUISetting::GetAppSetting(const std::string& section, const std::string& key) const
{
    return ValueIn(m_pAppIni, section, key);
}

std::string CLoadUISetting::GetViewerSetting(const std::string& section, const std::string& key) const
{
    return ValueIn(m_pViewerIni, section, key);
}
