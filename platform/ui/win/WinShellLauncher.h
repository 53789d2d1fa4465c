#pragma once

#include "platform/ui/ShellLauncher.h"

// The Windows shell: files open and folders are explored with ShellExecuteW,
// as Explorer does on a double click, and files are shown selected in their
// folder with SHOpenFolderAndSelectItems.
class WinShellLauncher : public ShellLauncher {
public:
    Result Open(const std::string& path) override;
    Result Explore(const std::string& folder) override;
    void ShowItems(const std::vector<std::string>& paths, std::function<void(bool shown)> done) override;
};
