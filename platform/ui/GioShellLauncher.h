#pragma once

#include "platform/ui/ShellLauncher.h"

// The desktop's launcher through GIO: the default application registered for
// the file's content type ("inode/directory" for a folder to explore), started
// with the file as an argument.
class GioShellLauncher : public ShellLauncher {
public:
    Result Open(const std::string& path) override;
    Result Explore(const std::string& folder) override;
};
