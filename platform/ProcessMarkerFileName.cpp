#include "platform/ProcessMarker.h"

std::string ProcessMarker::FileNameFor(const std::string& name)
{
    std::string file = name;
    for (char& c : file) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '.' || c == '{' || c == '}';
        if (!plain)
            c = '_';
    }
    if (file.empty() || file[0] == '.')
        file.insert(file.begin(), '_');
    return file;
}
