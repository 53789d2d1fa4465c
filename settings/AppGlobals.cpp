#include "settings/AppGlobals.h"

#include <mutex>
#include <utility>

std::string g_strAppIniPath;
std::string g_strViewerIniPath;
std::array<std::string, MAX_DEVICE_FOLDERS> g_strDeviceFolders;

namespace {

std::mutex g_viewerIniMutex;

} // namespace

std::string GetViewerIniPath()
{
    const std::lock_guard lock(g_viewerIniMutex);
    return g_strViewerIniPath;
}

void SetViewerIniPath(std::string path)
{
    const std::lock_guard lock(g_viewerIniMutex);
    g_strViewerIniPath = std::move(path);
}
