#include "settings/AppGlobals.h"

std::array<std::string, MAX_DEVICE_FOLDERS> g_strDeviceFolders;
