#pragma once

#include "platform/FileIdentity.h"

#include <string>

// A file as a search listed it: the folder path the actions build, the name,
// and the identities the scan saw for both.
struct ListedFile {
    std::string strFolder;
    std::string strName;
    FileIdentity idFolder;
    FileIdentity idFile;
};
