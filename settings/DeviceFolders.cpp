#include "settings/DeviceFolders.h"

#include "platform/CFileFind.h"
#include "settings/CLoadUISetting.h"

#include <algorithm>

int FindDeviceFolders(const CLoadUISetting& settings, std::array<std::string, MAX_DEVICE_FOLDERS>& folders)
{
    const std::string recordingDir = settings.GetViewerSetting("Directory", "Recording");

    // Read once rather than once per folder: the file does not change within
    // the few milliseconds that discovery takes.
    std::array<std::string, 9> localIds;
    for (std::size_t i = 0; i < localIds.size(); ++i)
        localIds[i] = settings.GetViewerSetting("Device" + std::to_string(i + 1), "LocalID");

    std::size_t count = 0;
    CFileFind find;
    bool more = find.FindFile(recordingDir);
    while (more && count < folders.size()) {
        more = find.FindNextFile();
        if (!find.IsDirectory())
            continue;
        const std::string name(find.GetFileName());
        const std::string folder = recordingDir + "/" + name;
        const bool complete = !CFileFind::ResolveNoCase(folder, "Recording").empty() &&
                              !CFileFind::ResolveNoCase(folder, "Snapshot").empty() &&
                              !CFileFind::ResolveNoCase(folder, "MotionDetection").empty();
        const bool configured = std::find(localIds.begin(), localIds.end(), name) != localIds.end();
        if (complete && configured)
            folders[count++] = name;
    }
    return static_cast<int>(count);
}
