#pragma once

// What the Windows halves of the file contracts share. The contracts speak of
// descriptors (int): here they are the C runtime's descriptors, each owning a
// Windows handle, so that an open folder or file closes with _close and its
// handle is had with HandleOf. Entry types are the listing's DT_* values,
// which MinGW's <dirent.h> does not define.

#include "platform/CFileStatus.h"
#include "platform/FileIdentity.h"

#include <string>
#include <windows.h>

#ifndef DT_UNKNOWN
inline constexpr unsigned char DT_UNKNOWN = 0;
inline constexpr unsigned char DT_DIR = 4;
inline constexpr unsigned char DT_REG = 8;
inline constexpr unsigned char DT_LNK = 10;
#endif

namespace winfiles {

// The handle a descriptor owns; INVALID_HANDLE_VALUE for none.
HANDLE HandleOf(int fd);
// A descriptor that owns handle (which it closes); -1, the handle closed,
// when the C runtime has no descriptor left.
int DescriptorFor(HANDLE handle);

inline constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens the entry name of the open folder, without walking a path (as
// openat does): FILE_OPEN with the given access and options, shared as share
// says (by default with readers, writers and deleters). Sets errno and
// returns INVALID_HANDLE_VALUE on failure.
HANDLE OpenInFolder(HANDLE folder, const std::string& name, ACCESS_MASK access, ULONG options, ULONG share = kShareAll);
// Makes a new file of that name in the open folder (FILE_CREATE: never one
// that exists), shared with readers only. The same failures.
HANDLE CreateInFolder(HANDLE folder, const std::string& name, ACCESS_MASK access, ULONG options, ULONG attributes);

// Opens a folder by its path (a link to it is followed), shared as share says.
HANDLE OpenFolder(const std::string& path, ACCESS_MASK access, ULONG share = kShareAll);

// Gives the file open as handle (with DELETE access) the name name in the open
// folder, never over an entry that has it; 0, else the errno (EEXIST when the
// name is taken).
int RenameNoReplace(HANDLE handle, HANDLE folder, const std::string& name);
// Deletes the file open as handle (with DELETE access), whatever its name is
// now; 0, else the errno.
int DeleteOpen(HANDLE handle);

struct Facts {
    CFileStatus status;
    FileIdentity identity;
    bool bReparsePoint = false;
};
// What the open handle's file is: times, size, folder or not, its identity
// (the volume's serial number and the file's index). Sets errno on failure.
bool FactsOf(HANDLE handle, Facts& facts);

// errno for a Windows error code, as the C runtime maps them (EIO for the rest).
int ErrnoFromWin32(DWORD error);

} // namespace winfiles
