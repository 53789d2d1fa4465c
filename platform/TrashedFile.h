#pragma once

#include "platform/FileIdentity.h"

#include <string>

// Where a file went in the desktop's trash, so that it can be put back into
// the very folder it came from.
struct TrashedFile {
    std::string strOriginalPath;
    FileIdentity idFolder;      // the folder of the original path
    std::string strTrashFolder; // the trash's "files" folder that holds it
    FileIdentity idTrashFolder;
    std::string strTrashName; // its name there
    FileIdentity idFile;
};
