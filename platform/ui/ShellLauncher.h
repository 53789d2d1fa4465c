#pragma once

#include <functional>
#include <string>
#include <vector>

// Hands a path to the desktop: "open" starts the default application for the
// file's content type, "explore" the default application for folders. The
// path goes over as an argument, never through a shell.
class ShellLauncher {
public:
    enum class Result {
        Launched,
        NoAssociation, // no application is associated: selects the user's message
        Failed,        // any other failure; not reported to the user
    };

    virtual ~ShellLauncher() = default;
    virtual Result Open(const std::string& path) = 0;
    virtual Result Explore(const std::string& folder) = 0;
    // Shows the files, selected, in the desktop's file manager (all in one
    // folder); done gets whether one showed them on the window's thread,
    // maybe later, for nothing here waits for the file manager. Where none
    // did, exploring the folder is the caller's, off the window's thread.
    virtual void ShowItems(const std::vector<std::string>& paths, std::function<void(bool shown)> done) = 0;

    // The desktop's own, which the program's objects use unless another is
    // handed to them.
    static ShellLauncher& Desktop();
};
