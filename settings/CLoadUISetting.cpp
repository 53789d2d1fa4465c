#include "settings/CLoadUISetting.h"

#include "platform/ProfileReader.h"
#include "settings/AppGlobals.h"
#include "settings/SettingsLookup.h"

std::string CLoadUISetting::GetAppSetting(const std::string& section, const std::string& key) const
{
    return GetPrivateProfileString(section, key, g_strAppIniPath);
}

std::string CLoadUISetting::GetViewerSetting(const std::string& section, const std::string& key) const
{
    return GetPrivateProfileString(section, key, GetViewerIniPath());
}

void CLoadUISetting::LocateSettingsFiles(const std::string& executablePath, const std::string& appIniPath,
                                         const std::string& viewerIniPath)
{
    g_strAppIniPath = SettingsLookup::Locate(executablePath, kAppIniName, appIniPath);
    SetViewerIniPath(SettingsLookup::Locate(executablePath, kViewerIniName, viewerIniPath));
}
