#include "settings/SettingsLookup.h"

#include <cstdlib>
#include <filesystem>

namespace {

constexpr const char* kFolder = "clipscout/";

// A variable's value, or empty when it is unset.
std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Relative paths in the XDG variables are to be ignored.
bool IsAbsolute(const std::string& path)
{
    return !path.empty() && path.front() == '/';
}

std::string WithSlash(std::string folder)
{
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

std::vector<std::string> SettingsLookup::Candidates(const std::string& executablePath, const std::string& fileName)
{
    const std::size_t slash = executablePath.rfind('/');
    std::vector<std::string> candidates{
        (slash == std::string::npos ? std::string() : executablePath.substr(0, slash + 1)) + fileName};

    const std::string configHome = Environment("XDG_CONFIG_HOME");
    const std::string home = Environment("HOME");
    if (IsAbsolute(configHome))
        candidates.push_back(WithSlash(configHome) + kFolder + fileName);
    else if (IsAbsolute(home))
        candidates.push_back(WithSlash(home) + ".config/" + kFolder + fileName);

    std::string configDirs = Environment("XDG_CONFIG_DIRS");
    if (configDirs.empty())
        configDirs = "/etc/xdg";
    std::size_t start = 0;
    while (start <= configDirs.size()) {
        std::size_t end = configDirs.find(':', start);
        if (end == std::string::npos)
            end = configDirs.size();
        const std::string folder = configDirs.substr(start, end - start);
        if (IsAbsolute(folder))
            candidates.push_back(WithSlash(folder) + kFolder + fileName);
        start = end + 1;
    }
    return candidates;
}

std::string SettingsLookup::Locate(const std::string& executablePath, const std::string& fileName,
                                   const std::string& namedPath)
{
    if (!namedPath.empty())
        return namedPath;
    const std::vector<std::string> candidates = Candidates(executablePath, fileName);
    for (const std::string& candidate : candidates) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error))
            return candidate;
    }
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
