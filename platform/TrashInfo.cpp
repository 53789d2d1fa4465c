#include "platform/TrashInfo.h"

#include "platform/Utf8Cut.h"

#include <glib.h>

std::string TrashInfo::Text(const std::string& strPath, std::time_t deleted)
{
    char* escaped = g_uri_escape_string(strPath.c_str(), "/", FALSE);
    std::string text = std::string("[Trash Info]\nPath=") + escaped + "\nDeletionDate=";
    g_free(escaped);
    struct tm local { };
    char date[32] = "";
    if (::localtime_r(&deleted, &local) != nullptr)
        std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    return text + date + "\n";
}

std::string TrashInfo::EntryName(std::string_view name, unsigned nAttempt)
{
    // A short extension stays, so that the trash still shows the file's kind.
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || name.size() - dot > 16)
        dot = name.size();
    const std::string_view stem = name.substr(0, dot);
    const std::string_view extension = name.substr(dot);
    const std::string number = nAttempt == 0 ? std::string() : "." + std::to_string(nAttempt + 1);
    const std::size_t room = kMaxEntryName - number.size() - extension.size();
    std::string entry(CutUtf8(stem, room));
    return entry.append(number).append(extension);
}
