#include "app/CLoadUISetting.h"

#include "app/AppGlobals.h"
#include "platform/ProfileReader.h"

std::string CLoadUISetting::GetAppSetting(std::string section, std::string key) const
{
    return GetPrivateProfileString(section, key, g_strAppIniPath);
}

std::string CLoadUISetting::GetViewerSetting(std::string section, std::string key) const
{
    return GetPrivateProfileString(section, key, g_strViewerIniPath);
}

void CLoadUISetting::LocateSettingsFiles(const std::string& executablePath)
{
    const std::size_t slash = executablePath.rfind('/');
    const std::string directory =
        slash == std::string::npos ? std::string() : executablePath.substr(0, slash + 1);
    g_strAppIniPath = directory + "Clipscout.ini";
    g_strViewerIniPath = directory + "Viewdeck.ini";
}
