#pragma once

#include "platform/ListedFile.h"
#include "platform/TrashedFile.h"

// Deletes a listed file, and only that file. The folder is opened by its path
// (a link to it is followed) and must still be the listed folder; the name
// must still stand for the listed regular file, read without following a
// link; the file is then removed through that same folder descriptor.
// Nothing changes on disk unless the result is Done.
class FileDeleter {
public:
    enum class Result {
        Done,
        NoTrash, // the file's location has no usable trash
        Changed, // the folder or the file is not the one listed, or is gone
        Failed,  // the system refused
    };

    // Into the desktop's trash; on Done, trashed says where it went.
    static Result MoveToTrash(const ListedFile& file, TrashedFile& trashed);
    static Result DeletePermanently(const ListedFile& file);

    enum class RestoreResult {
        Restored,
        Occupied, // something has appeared at the original path; left as it is
        Gone,     // the trash no longer holds the file
        Failed,
    };

    // Moves a trashed file back to its original path, never over another
    // file, and drops its entry in the trash.
    static RestoreResult Restore(const TrashedFile& trashed);
};
