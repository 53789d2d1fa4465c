#include "platform/ConfigPlaces.h"

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

namespace ConfigPlaces {

std::size_t FolderLength(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? 0 : slash + 1;
}

std::vector<std::string> SettingsFolders()
{
    std::vector<std::string> folders;
    const std::string configHome = Environment("XDG_CONFIG_HOME");
    const std::string home = Environment("HOME");
    if (IsAbsolute(configHome))
        folders.push_back(WithSlash(configHome) + kFolder);
    else if (IsAbsolute(home))
        folders.push_back(WithSlash(home) + ".config/" + kFolder);

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
            folders.push_back(WithSlash(folder) + kFolder);
        start = end + 1;
    }
    return folders;
}

bool IsFile(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace ConfigPlaces
