#include "platform/FileUri.h"

#include <algorithm>

std::string FileUri::Of(std::string_view path)
{
    std::string slashed(path);
    std::ranges::replace(slashed, '\\', '/');
    // \\server\share\name: the server is the URI's host.
    if (slashed.starts_with("//"))
        return "file:" + PercentEncoded(slashed, "/");
    // The drive's colon stays as it is, as Windows' own file URIs keep it.
    return "file:///" + PercentEncoded(slashed, "/:");
}
