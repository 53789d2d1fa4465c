#pragma once

#include "platform/CTime.h"
#include "platform/FileIdentity.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

// One recording that passed a search's filter. Texts are NUL-terminated within
// their fields; a row holds no folder, only the identities of the folder and
// the file as the scan listed them, so that an action can tell whether the
// path it builds still leads to the file that was shown.
struct RecordedFile {
    char szFileName[256]; // any name the file system allows
    char szType[6];       // clips: the two-letter type code; snapshots: empty
    char szStartTime[25]; // record time text; the list shows its display form
    char szEndTime[20];
    CTime tStart; // clips: to the minute; snapshots: to the second
    CTime tEnd;
    char szDuration[20]; // clips: "MM:SS"; snapshots: empty
    FileIdentity idFolder;
    FileIdentity idFile;
    // Beyond what the list shows: the start to the second where the store
    // knows it (a trailer's seconds, an AVI clip's or a snapshot's file
    // time), the clip's whole length (not capped; -1 for snapshots), and the
    // file's size.
    CTime tRecorded;
    std::int64_t nDurationSeconds;
    std::uint64_t nSize;
};

// Copies text into a fixed field, cut to the field and always terminated.
template <std::size_t N>
void CopyField(char (&field)[N], std::string_view text)
{
    const std::size_t n = std::min(text.size(), N - 1);
    text.copy(field, n);
    field[n] = '\0';
}
