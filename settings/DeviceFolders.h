#pragma once

#include "settings/AppGlobals.h"

#include <array>
#include <string>

class CLoadUISetting;

// Lists the recording directory named in Viewdeck.ini and stores, in listing
// order, each folder that holds "Recording", "Snapshot" and "MotionDetection"
// (names matched without regard to letter case) and whose name equals the
// LocalID of one of the sections Device1 to Device9 exactly. Returns the count.
int FindDeviceFolders(const CLoadUISetting& settings, std::array<std::string, MAX_DEVICE_FOLDERS>& folders);
