#pragma once

#include "platform/ListedFile.h"
#include "platform/TrashedFile.h"

#include <string>

class DeleteStepHook;
class TrashCan;

// Deletes a listed file, and only that file. The folder is opened by its path
// (a link to it is followed) and must still be the listed folder; from then
// on everything goes through that descriptor. The name must still stand for
// the listed regular file, read without following a link, and what is moved
// is checked again where it went: another file that took the name meanwhile
// goes back. Nothing changes on disk unless the result is Done.
class FileDeleter {
public:
    enum class Result {
        Done,
        NoTrash,    // the file's location has no usable trash
        Gone,       // nothing has the listed name any more
        NotRegular, // the listed entry is no regular file (a folder, a link)
        Changed,    // the folder or the file is not the one listed
        Failed,     // the system refused; the reason gives its words
    };

    // What a delete may be handed with its work, by tests: a trash that stands
    // in for the desktop's (on Linux; Windows's Recycle Bin is the shell's,
    // used always), and a hook called at each step between a check and the
    // act. Null for the desktop's trash and no hook; each must outlive the
    // calls it is handed to.
    struct Seams {
        TrashCan* pTrash;
        DeleteStepHook* pSteps;
    };

    // Into the trash; on Done, trashed says where it went.
    static Result MoveToTrash(const ListedFile& file, TrashedFile& trashed, std::string& strReason,
                              const Seams& seams = {});
    static Result DeletePermanently(const ListedFile& file, std::string& strReason, const Seams& seams = {});

    enum class RestoreResult {
        Restored,
        Occupied,      // something has appeared at the original path; left as it is
        Gone,          // the trash no longer holds the file
        FolderChanged, // the original folder is gone or another folder has its path
        Failed,
    };

    // Moves a trashed file back into the folder it came from, never over
    // another file, and drops its record in the trash.
    static RestoreResult Restore(const TrashedFile& trashed, std::string& strReason, const Seams& seams = {});
};
