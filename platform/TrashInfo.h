#pragma once

#include <ctime>
#include <string>
#include <string_view>

// The freedesktop.org trash's record of a trashed file and the names the
// trash keeps it under.
class TrashInfo {
public:
    // A record is "<entry>.trashinfo" beside nothing else, so an entry name
    // leaves room for that within the file system's 255 bytes.
    static constexpr std::size_t kMaxEntryName = 255 - 10;

    // The record's text: the original path as a URI path, and the local time
    // of the deletion.
    static std::string Text(const std::string& strPath, std::time_t deleted);

    // The entry name to try for the file name, attempt 0 first and a later
    // one after a name was taken: the file name when it fits, else shortened
    // (at a character, its extension kept) with a number that sets it apart.
    static std::string EntryName(std::string_view name, unsigned nAttempt);
};
