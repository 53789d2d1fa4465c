#include "settings/AppGlobals.h"

std::string g_strAppIniPath;
std::string g_strViewerIniPath;
std::array<std::string, MAX_DEVICE_FOLDERS> g_strDeviceFolders;
