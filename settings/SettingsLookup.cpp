#include "settings/SettingsLookup.h"

#include "platform/ConfigPlaces.h"
#include "platform/ProfileReader.h"
#include "settings/CLoadUISetting.h"

std::vector<std::string> SettingsLookup::Candidates(const std::string& executablePath, const std::string& fileName)
{
    std::vector<std::string> candidates{executablePath.substr(0, ConfigPlaces::FolderLength(executablePath)) +
                                        fileName};
    for (const std::string& folder : ConfigPlaces::SettingsFolders())
        candidates.push_back(folder + fileName);
    return candidates;
}

std::string SettingsLookup::Locate(const std::string& executablePath, const std::string& fileName,
                                   const std::string& namedPath)
{
    if (!namedPath.empty())
        return namedPath;
    const std::vector<std::string> candidates = Candidates(executablePath, fileName);
    for (const std::string& candidate : candidates)
        if (ConfigPlaces::IsFile(candidate))
            return candidate;
    return candidates.front();
}

std::string SettingsLookup::DescribeSearch(const std::string& executablePath, const std::string& fileName,
                                           const std::string& namedPath)
{
    std::string text = "No " + fileName + " was found. Looked for:";
    const std::vector<std::string> places =
        namedPath.empty() ? Candidates(executablePath, fileName) : std::vector<std::string>{namedPath};
    for (const std::string& place : places)
        text += "\n" + place;
    return text;
}

std::string SettingsLookup::RememberedViewerIni(const std::string& executablePath, const std::string& stateFile)
{
    for (const std::string& candidate : Candidates(executablePath, kViewerIniName))
        if (ConfigPlaces::IsFile(candidate))
            return {};
    // Read as any settings file is: a state file that is no regular file
    // (a FIFO, say) reads as empty and holds nothing up.
    std::string remembered = GetPrivateProfileString(kChoiceSection, kChoiceKey, stateFile);
    return ConfigPlaces::IsFile(remembered) ? remembered : std::string();
}

std::string SettingsLookup::StateFile()
{
    const std::vector<std::string> folders = ConfigPlaces::SettingsFolders();
    return folders.empty() ? std::string() : folders.front() + "state.conf";
}
