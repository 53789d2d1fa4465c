#pragma once

#include "catalog/CategoryScan.h"

#include <string>

// Where the listed files lie: the pieces of their folder, joined only where
// the disk may be read, since the recording directory's folders may be links.
struct FileLocation {
    std::string strRecordingDir;
    std::string strDevice;
    std::string strCategoryFolder;

    // The category folder; before any search under a known category the
    // folder piece is empty, and its separator is still there.
    std::string Folder() const
    {
        std::string folder = CategoryFolderPath(strRecordingDir, strDevice, strCategoryFolder);
        if (strCategoryFolder.empty() && (folder.empty() || folder.back() != '/'))
            folder += '/';
        return folder;
    }
};
