#include "settings/CLoadUISetting.h"

#include "platform/ProfileReader.h"
#include "settings/SettingsLookup.h"

#include <utility>

CLoadUISetting::CLoadUISetting(std::string appIniPath, std::string viewerIniPath)
    : m_strAppIniPath(std::move(appIniPath)), m_strViewerIniPath(std::move(viewerIniPath))
{ }

CLoadUISetting CLoadUISetting::Locate(const std::string& executablePath, const std::string& appIniPath,
                                      const std::string& viewerIniPath)
{
    return {SettingsLookup::Locate(executablePath, kAppIniName, appIniPath),
            SettingsLookup::Locate(executablePath, kViewerIniName, viewerIniPath)};
}

std::string CLoadUISetting::GetAppSetting(const std::string& section, const std::string& key) const
{
    return GetPrivateProfileString(section, key, m_strAppIniPath);
}

std::string CLoadUISetting::GetViewerSetting(const std::string& section, const std::string& key) const
{
    return GetPrivateProfileString(section, key, m_strViewerIniPath);
}

void CLoadUISetting::ReadRecordingDir()
{
    m_strRecordingDir = GetViewerSetting("Directory", "Recording");
}
