#pragma once

#include "platform/FileIdentity.h"

#include <string>

// Calls on the entries of open folders that the deleter and the trash share.
class EntryCalls {
public:
    // Whether name in folder is, without following a link, the regular file
    // identity.
    static bool HasIdentity(int nFolder, const std::string& strName, const FileIdentity& identity);

    // Moves an entry between folders (of one mount), never over an existing
    // entry; 0, else the error number (EEXIST when the target is taken).
    static int MoveNoReplace(int nFrom, const std::string& strFromName, int nTo, const std::string& strToName);

    // A hidden name that no one else can guess, for a file in passing.
    static std::string PrivateName();
};
