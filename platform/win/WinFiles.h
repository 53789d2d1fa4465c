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

// Opens the entry name of the open folder, without walking a path (as
// openat does): FILE_OPEN with the given access and options, shared with
// readers, writers and deleters. Sets errno and returns INVALID_HANDLE_VALUE
// on failure.
HANDLE OpenInFolder(HANDLE folder, const std::string& name, ACCESS_MASK access, ULONG options);

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
