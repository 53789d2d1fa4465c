#include "platform/FileUri.h"

std::string FileUri::Of(std::string_view path)
{
    return "file://" + PercentEncoded(path, "/");
}
