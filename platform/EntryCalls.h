#pragma once

#include "platform/FileIdentity.h"

#include <string>

class DeleteStepHook;

// Calls on the entries of open folders that the deleter and the trash share.
class EntryCalls {
public:
    // Whether name in folder is, without following a link, the regular file
    // identity.
    static bool HasIdentity(int nFolder, const std::string& strName, const FileIdentity& identity);

    // Moves whatever strName stands for to strPrivateName (from PrivateName)
    // in the same folder; 0, else the error number. Whoever moves a file
    // aside checks there that it is the one meant, since no one else can
    // reach it under that name.
    static int MoveAside(int nFolder, const std::string& strName, const std::string& strPrivateName);

    // Moves an entry between folders (of one mount), never over an existing
    // entry; 0, else the error number (EEXIST when the target is taken).
    // Where the file system lacks the no-replace rename, the entry is linked
    // to its new name and its old name removed after, which is safe only for
    // a private old name: a file that took a public one meanwhile would go.
    // steps: the delete's hook, if any, reached between the link and the
    // removal.
    static int MoveNoReplace(int nFrom, const std::string& strFromPrivateName, int nTo, const std::string& strToName,
                             DeleteStepHook* steps);

    // A hidden name that no one else can guess, for a file in passing.
    static std::string PrivateName();
};
