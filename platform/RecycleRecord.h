#pragma once

#include <optional>
#include <string>
#include <string_view>

// The record a recycle bin keeps beside a recycled file, which names the path
// the file came from and goes back to. A file is recycled under a private
// name, so that no other file can take its place between its check and the
// bin's move; its record is then made to name the file's own path, so that
// the bin shows the file by its name and puts it back there.
class RecycleRecord {
public:
    // A Windows Recycle Bin "$I" record (version 1 or 2) naming newPath in
    // place of the path it names, provided that path ends in oldTail; both
    // in UTF-16LE bytes, without a terminator. Nothing when it is no such
    // record or newPath does not fit.
    static std::optional<std::string> WithWindowsPath(std::string_view record, std::string_view oldTail,
                                                      std::string_view newPath);

    // A desktop trash ".trashinfo" record whose Path ends in "/" + oldName
    // (plain ASCII) naming newName (UTF-8) there instead, escaped as a URI.
    static std::optional<std::string> WithDesktopName(std::string_view record, std::string_view oldName,
                                                      std::string_view newName);
};
