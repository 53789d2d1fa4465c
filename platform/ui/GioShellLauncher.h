#pragma once

#include "platform/ui/ShellLauncher.h"

// The desktop's launcher through GIO: the default application registered for
// the file's content type ("inode/directory" for a folder to explore), started
// with the file as an argument. Files are shown through the freedesktop
// file-manager interface on the session bus.
class GioShellLauncher : public ShellLauncher {
public:
    // How long a file manager may take to start and answer.
    static constexpr int kShowItemsTimeoutMs = 10000;

    Result Open(const std::string& path) override;
    Result Explore(const std::string& folder) override;
    void ShowItems(const std::vector<std::string>& paths, std::function<void(bool shown)> done) override;
};
