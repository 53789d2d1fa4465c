#pragma once

#include <string>

// Which kind of file system a folder lies on, as far as following its changes
// goes: a network share, or a file system served from user space (FUSE),
// where files written by another machine or by the serving process send the
// system's change events to no one, so that only listing the folder again
// shows them.
class FileSystemKind {
public:
    // Asks the file system, which on a share that stops answering may not
    // answer for long: never on the window's thread. A folder that cannot be
    // asked counts as local.
    static bool IsShare(const std::string& folder);
};
