#pragma once

#include "platform/FileIdentity.h"
#include "platform/TrashedFile.h"

#include <string>

// A trash: moves an entry of an open folder there. The desktop's is
// FreedesktopTrashCan; tests hand a delete a stand-in.
class TrashCan {
public:
    enum class Result {
        Trashed,
        NotSupported, // the folder's file system has no usable trash
        Gone,         // the name stood for nothing any more
        Changed,      // the entry stood for another file; it is back in place
        Failed,       // the system refused; the reason says why
    };

    virtual ~TrashCan() = default;
    // Moves the entry strAside of the open folder, a private name where the
    // file listed as strName waits, into the trash, if it is still the file
    // idFile; on any other result the entry is left at strAside. On Trashed,
    // fills in where it went (the trash's half of trashed).
    virtual Result MoveToTrash(int nFolder, const std::string& strAside, const std::string& strName,
                               const FileIdentity& idFile, TrashedFile& trashed, std::string& strReason) = 0;
};
