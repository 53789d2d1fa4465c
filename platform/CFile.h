#pragma once

#include "platform/CFileStatus.h"

#include <string>

class CFile {
public:
    // Follows symbolic links. False when the path cannot be examined.
    static bool GetStatus(const std::string& path, CFileStatus& status);
};
