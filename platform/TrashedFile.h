#pragma once

#include "platform/FileIdentity.h"

#include <string>

// Where a file went in the desktop's trash, so that it can be put back into
// the very folder it came from.
struct TrashedFile {
    std::string strOriginalPath;
    // The file's name at the original path, as it was listed: the path's
    // last separator is the system's.
    std::string strOriginalName;
    FileIdentity idFolder;      // the folder of the original path
    std::string strTrashFolder; // the trash's "files" folder that holds it
    FileIdentity idTrashFolder;
    std::string strTrashName; // its name there
    FileIdentity idFile;
};
