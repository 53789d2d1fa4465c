#pragma once

#include "platform/FileIdentity.h"

#include <string>

// Where a file went in the desktop's trash, so that it can be put back.
struct TrashedFile {
    std::string strOriginalPath;
    std::string strTrashFolder; // the trash's "files" folder that holds it
    std::string strTrashName;   // its name there
    FileIdentity idFile;
};
